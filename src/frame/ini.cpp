#include "frame/ini.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

namespace tesel {

namespace {

bool letteraUnita(const QString& p) {
    return p.size() >= 2 && p[1] == u':' && p[0].unicode() < 128 && p[0].isLetter();
}

QString radice(const char* variabile, const QString& riserva) {
    const QString v = qEnvironmentVariable(variabile).trimmed();
    return v.isEmpty() ? riserva : v;
}

bool stessoNome(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QString valoreRiga(const QString& riga) {
    QString v = riga.mid(riga.indexOf(u'=') + 1).trimmed();
    if (v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front())
        v = v.mid(1, v.size() - 2);
    return v;
}

bool haAcapo(const QString& s) {
    return s.contains(u'\n') || s.contains(u'\r');
}

} // namespace

bool percorsoAssoluto(const QString& percorso) {
    const QString p = percorso.trimmed();
    if (p.startsWith(u'/') || p.startsWith(u'\\'))
        return true;
    return letteraUnita(p);
}

QString percorsoLocale(const QString& percorso) {
    QString p = percorso.trimmed();
    p.replace(u'\\', u'/');
    if (p.isEmpty())
        return p;
    if (p.startsWith(QLatin1String("//")))
        return QDir::cleanPath(radice("BRENTA_UNC", QStringLiteral("/")) + u'/' + p.mid(2));
    if (letteraUnita(p)) {
        const QString lettera = p.left(1).toUpper();
        const QByteArray nome = "BRENTA_UNITA_" + lettera.toLatin1();
        const QString r = radice(nome.constData(), radice("BRENTA_UNITA", QStringLiteral("/")));
        return QDir::cleanPath(r + u'/' + p.mid(2));
    }
    return QDir::cleanPath(p);
}

QString uniscePercorso(const QString& cartella, const QString& nome) {
    QString c = cartella;
    c.replace(u'\\', u'/');
    QString n = nome;
    n.replace(u'\\', u'/');
    if (c.isEmpty())
        return n;
    while (n.startsWith(u'/'))
        n.remove(0, 1);
    if (!c.endsWith(u'/'))
        c += u'/';
    return c + n;
}

FileIni::Riga FileIni::analizza(const QString& testo) {
    Riga r;
    r.testo = testo;
    const QString t = testo.trimmed();
    if (t.startsWith(u';'))
        return r;
    if (t.startsWith(u'[')) {
        const qsizetype fine = t.indexOf(u']');
        r.tipo = Tipo::Sezione;
        r.nome = t.mid(1, fine < 0 ? -1 : fine - 1).trimmed();
        return r;
    }
    const qsizetype uguale = t.indexOf(u'=');
    if (uguale > 0) {
        r.nome = t.left(uguale).trimmed();
        if (!r.nome.isEmpty())
            r.tipo = Tipo::Chiave;
    }
    return r;
}

bool FileIni::load(const QString& percorso) {
    percorso_ = percorsoLocale(percorso);
    righe_.clear();
    esiste_ = false;
    leggibile_ = true;
    latin1_ = bom_ = crlf_ = modificato_ = false;
    acapoFinale_ = true;

    const QFileInfo info(percorso_);
    if (percorso_.isEmpty() || !info.exists())
        return false;
    esiste_ = true;
    QFile f(percorso_);
    if (info.isDir() || !f.open(QIODevice::ReadOnly)) {
        leggibile_ = false;
        return false;
    }
    QByteArray dati = f.readAll();
    if (f.error() != QFileDevice::NoError) {
        leggibile_ = false;
        return false;
    }
    if (dati.startsWith("\xEF\xBB\xBF")) {
        bom_ = true;
        dati.remove(0, 3);
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString testo = utf8.decode(dati);
    if (utf8.hasError()) {
        // Files written by the suite's Windows programs are often Latin-1.
        testo = QString::fromLatin1(dati);
        latin1_ = true;
    }
    const qsizetype primoAcapo = testo.indexOf(u'\n');
    crlf_ = primoAcapo > 0 && testo[primoAcapo - 1] == u'\r';
    acapoFinale_ = testo.isEmpty() || testo.endsWith(u'\n');

    QStringList linee = testo.split(u'\n');
    if (acapoFinale_ && !linee.isEmpty())
        linee.removeLast();
    for (QString& l : linee) {
        if (l.endsWith(u'\r'))
            l.chop(1);
        righe_.push_back(analizza(l));
    }
    return true;
}

int FileIni::inizioSezione(const QString& sezione) const {
    for (size_t i = 0; i < righe_.size(); ++i)
        if (righe_[i].tipo == Tipo::Sezione && stessoNome(righe_[i].nome, sezione.trimmed()))
            return int(i);
    return -1;
}

int FileIni::fineSezione(int inizio) const {
    for (size_t i = size_t(inizio) + 1; i < righe_.size(); ++i)
        if (righe_[i].tipo == Tipo::Sezione)
            return int(i);
    return int(righe_.size());
}

int FileIni::rigaChiave(const QString& sezione, const QString& chiave) const {
    const int inizio = inizioSezione(sezione);
    if (inizio < 0)
        return -1;
    const int fine = fineSezione(inizio);
    for (int i = inizio + 1; i < fine; ++i)
        if (righe_[size_t(i)].tipo == Tipo::Chiave && stessoNome(righe_[size_t(i)].nome, chiave.trimmed()))
            return i;
    return -1;
}

std::optional<QString> FileIni::trova(const QString& sezione, const QString& chiave) const {
    const int i = rigaChiave(sezione, chiave);
    if (i < 0)
        return std::nullopt;
    return valoreRiga(righe_[size_t(i)].testo);
}

QString FileIni::value(const QString& sezione, const QString& chiave, const QString& predefinito) const {
    return trova(sezione, chiave).value_or(predefinito);
}

bool FileIni::hasSection(const QString& sezione) const {
    return inizioSezione(sezione) >= 0;
}

bool FileIni::set(const QString& sezione, const QString& chiave, const QString& valore) {
    const QString s = sezione.trimmed();
    const QString k = chiave.trimmed();
    if (s.isEmpty() || k.isEmpty() || haAcapo(sezione) || haAcapo(chiave) || haAcapo(valore) ||
        s.contains(u']') || k.contains(u'=') || k.startsWith(u';') || k.startsWith(u'['))
        return false;

    const int i = rigaChiave(s, k);
    if (i >= 0) {
        Riga& r = righe_[size_t(i)];
        const qsizetype uguale = r.testo.indexOf(u'=');
        // Keep the key as written and the blank after "=" the file uses.
        QString nuovo = r.testo.left(uguale + 1);
        if (r.testo.mid(uguale + 1).startsWith(u' ') && !valore.isEmpty())
            nuovo += u' ';
        nuovo += valore;
        if (nuovo != r.testo) {
            r.testo = nuovo;
            modificato_ = true;
        }
        return true;
    }

    Riga nuova{Tipo::Chiave, k + u'=' + valore, k};
    const int inizio = inizioSezione(s);
    if (inizio >= 0) {
        // After the last entry of the section, so trailing blank lines and comments that
        // introduce the next section stay where they are.
        int dopo = inizio + 1;
        for (int j = inizio + 1; j < fineSezione(inizio); ++j)
            if (righe_[size_t(j)].tipo == Tipo::Chiave)
                dopo = j + 1;
        righe_.insert(righe_.begin() + dopo, nuova);
    } else {
        if (!righe_.empty() && !righe_.back().testo.trimmed().isEmpty())
            righe_.push_back(Riga{});
        righe_.push_back(Riga{Tipo::Sezione, u'[' + s + u']', s});
        righe_.push_back(nuova);
    }
    modificato_ = true;
    return true;
}

bool FileIni::removeKey(const QString& sezione, const QString& chiave) {
    const int inizio = inizioSezione(sezione);
    if (inizio < 0)
        return false;
    bool tolta = false;
    for (int j = fineSezione(inizio) - 1; j > inizio; --j) {
        if (righe_[size_t(j)].tipo == Tipo::Chiave && stessoNome(righe_[size_t(j)].nome, chiave.trimmed())) {
            righe_.erase(righe_.begin() + j);
            tolta = true;
        }
    }
    modificato_ = modificato_ || tolta;
    return tolta;
}

bool FileIni::removeSection(const QString& sezione) {
    bool tolta = false;
    for (int inizio = inizioSezione(sezione); inizio >= 0; inizio = inizioSezione(sezione)) {
        int fine = fineSezione(inizio);
        // Blank lines and comments just above the next header introduce that section.
        if (fine < int(righe_.size()))
            while (fine - 1 > inizio && righe_[size_t(fine - 1)].tipo == Tipo::Altro)
                --fine;
        righe_.erase(righe_.begin() + inizio, righe_.begin() + fine);
        tolta = true;
    }
    modificato_ = modificato_ || tolta;
    return tolta;
}

QStringList FileIni::sections() const {
    QStringList nomi;
    for (const Riga& r : righe_)
        if (r.tipo == Tipo::Sezione && !nomi.contains(r.nome, Qt::CaseInsensitive))
            nomi << r.nome;
    return nomi;
}

QStringList FileIni::keys(const QString& sezione) const {
    QStringList nomi;
    const int inizio = inizioSezione(sezione);
    if (inizio < 0)
        return nomi;
    const int fine = fineSezione(inizio);
    for (int i = inizio + 1; i < fine; ++i) {
        const Riga& r = righe_[size_t(i)];
        if (r.tipo == Tipo::Chiave && !nomi.contains(r.nome, Qt::CaseInsensitive))
            nomi << r.nome;
    }
    return nomi;
}

QString FileIni::testo() const {
    const QString acapo = crlf_ ? QStringLiteral("\r\n") : QStringLiteral("\n");
    QString t;
    for (size_t i = 0; i < righe_.size(); ++i) {
        t += righe_[i].testo;
        if (i + 1 < righe_.size() || acapoFinale_)
            t += acapo;
    }
    return t;
}

bool FileIni::save() {
    if (percorso_.isEmpty() || !leggibile_)
        return false;
    const QFileInfo info(percorso_);
    if (info.exists()) {
        constexpr auto scrittura = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
        if (info.isDir() || !info.isWritable() || !(info.permissions() & scrittura))
            return false;
    }
    const QString t = testo();
    QByteArray dati;
    bool latin1 = latin1_;
    if (latin1)
        for (QChar c : t)
            if (c.unicode() > 0xFF) {
                latin1 = false;
                break;
            }
    if (latin1) {
        dati = t.toLatin1();
    } else {
        if (bom_)
            dati = "\xEF\xBB\xBF";
        dati += t.toUtf8();
    }

    QSaveFile f(percorso_);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    if (f.write(dati) != dati.size()) {
        f.cancelWriting();
        return false;
    }
    if (!f.commit())
        return false;
    latin1_ = latin1;
    esiste_ = true;
    modificato_ = false;
    return true;
}

} // namespace tesel
