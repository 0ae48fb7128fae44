#include "import/lettorexml.h"

#include "frame/data.h"
#include "frame/hash.h"
#include "frame/testoxml.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string_view>
#include <type_traits>

namespace tesel {

namespace {

bool testuale(pugi::xml_node n) {
    return n.type() == pugi::node_pcdata || n.type() == pugi::node_cdata;
}

// Files accepted by the exchange system put a namespace prefix on any element ("p:",
// "ns2:"), so elements are matched by their local name.
QUtf8StringView nomeSenzaPrefisso(pugi::xml_node n) {
    const char* nome = n.name();
    const char* duepunti = std::strrchr(nome, ':');
    return QUtf8StringView(duepunti ? duepunti + 1 : nome);
}

bool stessoNome(pugi::xml_node n, QAnyStringView nome) {
    if (n.type() != pugi::node_element)
        return false;
    const QUtf8StringView locale = nomeSenzaPrefisso(n);
    return nome.visit([&](auto cercato) {
        if constexpr (std::is_same_v<decltype(cercato), QStringView>) {
            // The reader looks for its names thousands of times a file, and they are ASCII:
            // while the element's name is, a byte is one character, compared with one unit.
            const qsizetype comuni = std::min(locale.size(), cercato.size());
            qsizetype i = 0;
            for (; i < comuni && static_cast<unsigned char>(locale[i]) < 0x80; ++i)
                if (static_cast<char16_t>(locale[i]) != cercato[i].unicode())
                    return false;
            if (i == comuni)
                return locale.size() == cercato.size();
        }
        return QAnyStringView::compare(locale, cercato) == 0;
    });
}

pugi::xml_node cercaPercorso(pugi::xml_node da, const QList<QStringView>& passi, qsizetype passo) {
    if (passo == passi.size())
        return da;
    for (pugi::xml_node figlio = da.first_child(); figlio; figlio = figlio.next_sibling()) {
        if (!stessoNome(figlio, passi[passo]))
            continue;
        if (pugi::xml_node trovato = cercaPercorso(figlio, passi, passo + 1))
            return trovato;
    }
    return {};
}

[[noreturn]] void erroreFile(const QString& azione, const QString& percorso, const QString& motivo) {
    throw std::runtime_error(
        QStringLiteral("Impossibile %1 il file %2: %3").arg(azione, percorso, motivo).toStdString());
}

// Writes `dati` as a new file in place of whatever had the name: a link left there is
// removed, never followed.
void scriviNuovo(const QString& percorso, const QByteArray& dati) {
    const QFileInfo info(percorso);
    if (info.exists() || info.isSymLink())
        QFile::remove(percorso);
    QFile f(percorso);
    if (!f.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        erroreFile(QStringLiteral("scrivere"), percorso, f.errorString());
    if (f.write(dati) != dati.size() || !f.flush()) {
        // Half a file is worse than none: nobody could tell it from the real attachment.
        const QString motivo = f.errorString();
        f.close();
        QFile::remove(percorso);
        erroreFile(QStringLiteral("scrivere"), percorso, motivo);
    }
    f.close();
}

} // namespace

QString EtichettaTag(QAnyStringView etichettaBlocco, pugi::xml_node elemento) {
    return etichettaBlocco.toString() + NomeLocale(elemento);
}

QString EtichettaTagDatiGen(pugi::xml_node elemento, QAnyStringView xmlIdent) {
    return NomeLocale(elemento) + u'_' + xmlIdent.toString();
}

QString NomeNodo(pugi::xml_node nodo) {
    return QString::fromUtf8(nodo.name());
}

QString NomeLocale(pugi::xml_node nodo) {
    return nomeSenzaPrefisso(nodo).toString();
}

QString NomiElementi::locale(pugi::xml_node nodo) {
    const QUtf8StringView nome = nomeSenzaPrefisso(nodo);
    const NomeLetto chiave{QByteArray::fromRawData(nome.data(), nome.size())};
    if (const auto it = nomi_.constFind(chiave); it != nomi_.constEnd())
        return *it;
    if (nomi_.size() >= Massimo)
        nomi_.clear();
    const QString testo = nome.toString();
    // The key is copied: the view points into the file's buffer, which goes with the file.
    nomi_.insert(NomeLetto{QByteArray(nome.data(), nome.size())}, testo);
    return testo;
}

const QString& NomiElementi::unisci(const ChiaveUnione& chiave, QString testo, QString prima,
                                    const QString& nome) {
    if (unioni_.size() >= Massimo)
        unioni_.clear();
    return unioni_.insert(chiave, Unione{std::move(prima), nome, std::move(testo)})->testo;
}

const QString& NomiElementi::unione(QLatin1String prima, const QString& nome) {
    // A constant's address stays its own for the life of the program: only `nome` is kept.
    const ChiaveUnione chiave{prima.data(), prima.size(), nome.constData(), nome.size()};
    if (const auto it = unioni_.constFind(chiave); it != unioni_.constEnd())
        return it->testo;
    return unisci(chiave, prima + nome, QString(), nome);
}

const QString& NomiElementi::unione(const QString& prima, const QString& nome) {
    const ChiaveUnione chiave{prima.constData(), prima.size(), nome.constData(), nome.size()};
    if (const auto it = unioni_.constFind(chiave); it != unioni_.constEnd())
        return it->testo;
    return unisci(chiave, prima + nome, prima, nome);
}

NomiElementi::InfoColonna NomiElementi::infoLenta(const QString& nome) {
    if (colonne_.size() >= Massimo) {
        colonne_.clear();
        rapide_.fill({});
    }
    const ChiaveUnione indirizzo{nome.constData(), nome.size(), nullptr, 0};
    InfoColonna info;
    if (const auto it = colonne_.constFind(indirizzo); it != colonne_.constEnd()) {
        info = it->info;
    } else if (const auto it = perTesto_.constFind(nome); it != perTesto_.constEnd()) {
        info = grafie_[static_cast<size_t>(*it)].info;
    } else {
        info.nome = static_cast<int>(grafie_.size());
        info.identificativo = identificativo(nome);
        const QString piegato = nome.toCaseFolded();
        const auto colonna = perColonna_.constFind(piegato);
        info.colonna = colonna != perColonna_.constEnd() ? *colonna : static_cast<int>(perColonna_.size());
        if (colonna == perColonna_.constEnd())
            perColonna_.insert(piegato, info.colonna);
        grafie_.push_back({nome, info});
        perTesto_.insert(nome, info.nome);
    }
    colonne_.insert(indirizzo, Colonna{nome, info});
    // The first free slot of the pair, else the first: two names that meet there take turns.
    const size_t p = posizioneRapida(nome.constData());
    rapide_[rapide_[p].indirizzo && !rapide_[p ^ 1].indirizzo ? p ^ 1 : p] = {nome.constData(), nome.size(),
                                                                              info};
    return info;
}

void NomiElementi::nuoviNumeri() {
    colonne_.clear();
    rapide_.fill({});
    grafie_.clear();
    perTesto_.clear();
    perColonna_.clear();
}

bool NomiElementi::identificativo(QStringView colonna) {
    // Asked once per name: the names are ASCII, so the comparison ignoring case is done here,
    // without Qt's general one.
    static constexpr std::string_view Finali[] = {
        "idcodice",           "idpaese",    "codicefiscale", "codeori",
        "codicedestinatario", "codicetipo", "codicevalore"};
    for (const std::string_view fine : Finali) {
        const auto n = static_cast<qsizetype>(fine.size());
        if (colonna.size() < n)
            continue;
        const QChar* c = colonna.data() + (colonna.size() - n);
        qsizetype i = 0;
        while (i < n) {
            char16_t u = c[i].unicode();
            if (u >= u'A' && u <= u'Z')
                u = static_cast<char16_t>(u + (u'a' - u'A'));
            if (u != static_cast<char16_t>(fine[static_cast<size_t>(i)]))
                break;
            ++i;
        }
        if (i == n)
            return true;
    }
    return false;
}

pugi::xml_node NodoPerPercorso(pugi::xml_node da, QAnyStringView percorso) {
    const QString testo = percorso.toString();
    if (!da || testo.isEmpty())
        return {};
    const QList<QStringView> passi = QStringView(testo).split(u'/');
    for (QStringView p : passi)
        if (p.isEmpty())
            return {};
    return cercaPercorso(da, passi, 0);
}

pugi::xml_node FiglioPerNome(pugi::xml_node nodo, QAnyStringView nome) {
    for (pugi::xml_node n = nodo.first_child(); n; n = n.next_sibling())
        if (stessoNome(n, nome))
            return n;
    return {};
}

QString TestoElemento(pugi::xml_node elemento) {
    if (!elemento)
        return {};
    if (testuale(elemento))
        return QString::fromUtf8(elemento.value());
    // Most elements hold one text and nothing else: no intermediate copy for them.
    if (const pugi::xml_node solo = elemento.first_child(); solo && !solo.next_sibling() && testuale(solo))
        return QString::fromUtf8(solo.value());
    // Depth first without recursion: an untrusted file may nest deeply.
    QByteArray testo;
    pugi::xml_node n = elemento.first_child();
    while (n) {
        if (testuale(n))
            testo += n.value();
        if (n.first_child()) {
            n = n.first_child();
            continue;
        }
        while (n != elemento && !n.next_sibling())
            n = n.parent();
        if (n == elemento)
            break;
        n = n.next_sibling();
    }
    return QString::fromUtf8(testo);
}

QString ValoreTesto(pugi::xml_node elemento) {
    return DecodificaTestoXml(TestoElemento(elemento));
}

std::string_view TestoSemplice(pugi::xml_node elemento) {
    pugi::xml_node testo = elemento;
    if (!testuale(testo)) {
        testo = elemento.first_child();
        if (!testo || testo.next_sibling() || !testuale(testo))
            return {};
    }
    const std::string_view v(testo.value());
    for (const char c : v)
        if (static_cast<unsigned char>(c) >= 0x80 || c == '&' || c == '<')
            return {};
    return v;
}

QString TestoFiglio(pugi::xml_node nodo, QAnyStringView nome) {
    return ValoreTesto(FiglioPerNome(nodo, nome));
}

std::optional<QDate> valoreData(pugi::xml_node elemento, const QString& etichetta, TestoErrori& errori,
                                bool usaMinimo) {
    if (!elemento)
        return usaMinimo ? std::optional<QDate>(DataMancante) : std::nullopt;
    static const QRegularExpression iso(QStringLiteral("^\\d{4}-\\d{2}-\\d{2}$"));
    const QString testo = TestoElemento(elemento).trimmed().left(10).replace(u'T', u' ').trimmed();
    // Digits and dashes in their places, as nearly every file writes a date, need no expression.
    const auto isoAscii = [](QStringView t) {
        if (t.size() != 10)
            return false;
        for (qsizetype i = 0; i < t.size(); ++i)
            if (i == 4 || i == 7 ? t[i] != u'-' : (t[i] < u'0' || t[i] > u'9'))
                return false;
        return true;
    };
    if (isoAscii(testo) || iso.match(testo).hasMatch())
        if (const auto d = dataDaIso(testo))
            return d;
    errori.aggiungi(QStringLiteral("Tag ") + etichetta + QStringLiteral(" con data non valida"));
    return usaMinimo ? std::optional<QDate>(DataMancante) : std::nullopt;
}

std::optional<Currency> valoreImporto(pugi::xml_node elemento, const QString& etichetta,
                                      TestoErrori& errori) {
    if (!elemento)
        return std::nullopt;
    const auto v = valoreNumeroSilenzioso(elemento);
    if (!v)
        errori.aggiungi(QStringLiteral("Tag ") + etichetta +
                        QStringLiteral(" con valore di tipo valuta non valida"));
    return v;
}

std::optional<Currency> valoreNumeroSilenzioso(pugi::xml_node elemento) {
    if (!elemento)
        return std::nullopt;
    // The usual amount, one text of plain ASCII, is read in place. The conversion skips the
    // same blanks trimmed() would, except vertical tab and form feed, which take the long way.
    if (const pugi::xml_node solo = elemento.first_child(); solo && !solo.next_sibling() && testuale(solo)) {
        const std::string_view testo(solo.value());
        if (std::all_of(testo.begin(), testo.end(), [](char c) {
                return static_cast<unsigned char>(c) < 0x80 && c != '\v' && c != '\f';
            }))
            return Currency::daTesto(testo);
    }
    return Currency::daTesto(TestoElemento(elemento).trimmed());
}

bool correggiEuro(QByteArray& dati) {
    static const QByteArray sbagliato("&#128;");
    static const QByteArray giusto("&#8364;");
    // Every file is looked through, and almost none holds the mark: the few "&" are found by
    // the C library's byte search and only they are compared.
    const std::string_view testo(dati.constData(), static_cast<size_t>(dati.size()));
    const std::string_view segno(sbagliato.constData(), static_cast<size_t>(sbagliato.size()));
    for (size_t da = 0;;) {
        const void* e = std::memchr(testo.data() + da, '&', testo.size() - da);
        if (!e)
            return false;
        da = static_cast<size_t>(static_cast<const char*>(e) - testo.data());
        if (testo.substr(da, segno.size()) == segno)
            break;
        ++da;
    }
    dati.replace(sbagliato, giusto);
    return true;
}

QString NomeFileAllegato(const QString& fileXml, const QString& nomeAttachment) {
    QString nome = nomeAttachment;
    for (QChar& c : nome)
        if (c == u':' || c == u'\\' || c == u'/' || c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = u'_';
    nome = QFileInfo(fileXml).completeBaseName() + u'_' + nome;
    nome.replace(QStringLiteral(".."), QStringLiteral("__"));
    for (QChar& c : nome) {
        if (c != u'.')
            break;
        c = u'_';
    }
    // A file system takes names of at most 255 bytes: a longer one is cut in its middle, so
    // that the XML file's name at the start and the extension at the end are kept.
    constexpr qsizetype MassimoByte = 255;
    if (nome.toUtf8().size() > MassimoByte) {
        QString estensione = nome.mid(nome.lastIndexOf(u'.') > 0 ? nome.lastIndexOf(u'.') : nome.size());
        if (estensione.toUtf8().size() > 16)
            estensione.clear();
        QString base = nome.left(std::min(nome.size() - estensione.size(), MassimoByte));
        const QString segno = QStringLiteral("~");
        while (!base.isEmpty() && (base + segno + estensione).toUtf8().size() > MassimoByte) {
            base.chop(1);
            if (!base.isEmpty() && base.back().isHighSurrogate())
                base.chop(1);
        }
        nome = base + segno + estensione;
    }
    return nome;
}

QString estraiAllegato(pugi::xml_node attachment, const QString& nomeAttachment, const QString& fileXml,
                       const QString& cartella, TestoErrori& errori) {
    const QString base64 = TestoElemento(attachment);
    const std::optional<QByteArray> dati =
        base64.trimmed().isEmpty() ? std::nullopt : base64Decodifica(base64.toLatin1());
    if (!dati) {
        errori.aggiungi(QStringLiteral("Allegato da estrarre mancante"));
        return {};
    }
    const QDir dir(cartella);
    const QString percorso = dir.absoluteFilePath(NomeFileAllegato(fileXml, nomeAttachment));
    // The name holds no separator; this guards the rule, not the input.
    if (QFileInfo(percorso).absolutePath() != dir.absolutePath())
        throw std::runtime_error(
            QStringLiteral("Nome di allegato non valido: %1").arg(nomeAttachment).toStdString());
    scriviNuovo(percorso, *dati);
    return percorso;
}

} // namespace tesel
