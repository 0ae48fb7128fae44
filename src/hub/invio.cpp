#include "hub/invio.h"

#include "frame/configurazione.h"
#include "frame/data.h"
#include "frame/database.h"
#include "frame/ini.h"
#include "frame/parametri.h"
#include "frame/sqlvalore.h"
#include "frame/testoxml.h"
#include "hub/hubservizio.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

namespace tesel::hub {

namespace {

const QString A_Capo = QStringLiteral("\r\n");

// Values of the envelope's attributes: ordinary prefixes and numbers go through unchanged,
// a quote or an ampersand in a prefix cannot break the document the Hub parses.
QString attributo(QString t) {
    t.replace(u'&', QStringLiteral("&amp;"));
    t.replace(u'<', QStringLiteral("&lt;"));
    t.replace(u'>', QStringLiteral("&gt;"));
    t.replace(u'"', QStringLiteral("&quot;"));
    return t;
}

bool haCartella(const QString& file) {
    return file.contains(u'/') || file.contains(u'\\');
}

} // namespace

ArgomentoInvio leggiArgomentoInvio(const QString& argomento) {
    ArgomentoInvio r;
    const QString a = argomento.trimmed();
    const qsizetype meno = a.indexOf(u'-');
    if (meno < 0) {
        r.terminale = a;
        return r;
    }
    r.terminale = a.left(meno).trimmed();
    const QString secondo = a.mid(meno + 1).trimmed().toUpper();
    if (secondo == u"F" || secondo == u"S" || secondo == u"P7M" || secondo == u"FIRMATI")
        r.firmati = true;
    else if (!(secondo.isEmpty() || secondo == u"N" || secondo == u"XML"))
        r.errore = QStringLiteral("Valore non riconosciuto dopo il terminale: ") + a.mid(meno + 1).trimmed() +
                   QStringLiteral(" (F per i file firmati, N per i file XML)");
    return r;
}

QString SqlFattureInAttesa(const QString& terminale) {
    QString sql =
        QStringLiteral("Select FatTestFE.*, FatTest.*,FattDocumenti.Segno from ((FatTestFE inner join "
                       "FatTest") +
        QStringLiteral(" On FatTestFE.Anno = FatTest.Anno") +
        QStringLiteral(" And FatTestFE.NumRif = FatTest.NumRif)") +
        QStringLiteral(" LEFT JOIN FattDocumenti ON FatTest.FattDocumento = FattDocumenti.FattDocumento)") +
        QStringLiteral(" Where FatTestFE.FEHubInvio = ") + SqlValore(QStringLiteral("A"), SqlTesto);
    if (!terminale.isEmpty())
        sql += QStringLiteral(" And FatTestFE.FEHubTermInvio = ") + SqlValore(terminale, SqlTesto);
    return sql;
}

FatturaEmessa FatturaEmessa::leggi(const Recordset& rs) {
    FatturaEmessa f;
    f.anno = static_cast<int>(rs.leggiIntero(QStringLiteral("Anno")).value_or(0));
    f.numRif = rs.leggiIntero(QStringLiteral("NumRif")).value_or(0);
    f.preDoc = rs.leggiTesto(QStringLiteral("PreDoc"));
    f.numDoc = rs.leggiIntero(QStringLiteral("NumDoc")).value_or(0);
    if (const auto d = dataOraDaVariant(rs.LeggiCampo(QStringLiteral("DataDoc"))))
        f.dataDoc = d->date();
    f.contoCli = rs.leggiTesto(QStringLiteral("ContoCli"));
    f.stato = rs.leggiTesto(QStringLiteral("Stato"));
    f.segno = rs.leggiTesto(QStringLiteral("Segno"));
    f.statoIniz = rs.leggiTesto(QStringLiteral("FEHubStatoIniz"));
    f.fileXml = rs.leggiTesto(QStringLiteral("FEFileXML"));
    return f;
}

QString FatturaEmessa::descrizione() const {
    return QStringLiteral("Fattura anno: ") + QString::number(anno) + QStringLiteral(" n.rif: ") +
           QString::number(numRif);
}

QString IdentificativoDocumento(const FatturaEmessa& f, const QString& partitaIva, bool ncSeparate) {
    QString id = QStringLiteral("Ruvex") + partitaIva;
    if (f.dataDoc)
        id += QStringLiteral("%1").arg(f.dataDoc->year() % 100, 2, 10, QChar(u'0'));
    if (f.segno == u"-" && ncSeparate)
        id += QStringLiteral("NV");
    id += f.preDoc.toUpper();
    if (f.preDoc == u"§")
        id += f.contoCli.toUpper();
    id += f.numDoc < 0 ? QString::number(f.numDoc) : QStringLiteral("%1").arg(f.numDoc, 5, 10, QChar(u'0'));
    return id;
}

QString BustaDocumento(const FatturaEmessa& f, const QString& identificativo) {
    const QChar v(u'"');
    const QString stato = f.statoIniz.trimmed().isEmpty() ? QStringLiteral("DN") : f.statoIniz;
    return QStringLiteral("<document id=") + v + attributo(identificativo) + v + QStringLiteral(" state=") +
           v + attributo(stato) + v +
           QStringLiteral(" info=\"NORVALE\"><attributes><attribute name=\"REGIVA\" value=\".\" />") +
           QStringLiteral("<attribute name=") + QStringLiteral("\"IDDOCUMEN\" value=") + v +
           attributo(f.preDoc) + u'\\' + QString::number(f.numDoc) + u' ' +
           (f.dataDoc ? testoData(*f.dataDoc) : QString()) + v + QStringLiteral("/></attributes></document>");
}

CartelleInvio CartelleInvio::leggi(Configurazione& configurazione) {
    CartelleInvio c;
    const QString fe = configurazione.cartellaBase(QStringLiteral("DirFe"));
    c.fe = fe.isEmpty() ? QString() : configurazione.DirAzienda(fe, QStringLiteral("DirFe"));
    c.carica = configurazione.cartellaBase(QStringLiteral("DirCarica"));
    // Without an e-invoice folder the log goes beside the profile file.
    if (c.fe.isEmpty())
        c.fe = c.carica.isEmpty() ? QFileInfo(configurazione.fileProfilo()).absolutePath() : c.carica;
    return c;
}

QString CartelleInvio::completa(const QString& file) const {
    if (file.isEmpty() || haCartella(file))
        return percorsoLocale(file);
    const QString inFe = QDir(fe).filePath(file);
    if (!carica.isEmpty() && !QFileInfo::exists(inFe) && QFileInfo::exists(QDir(carica).filePath(file)))
        return QDir(carica).filePath(file);
    return inFe;
}

QString CartelleInvio::fileLog() const {
    return QDir(fe).filePath(QStringLiteral("LogInvioHub.txt"));
}

bool InviaFatCtrl(const FatturaEmessa& f, bool firmati, const CartelleInvio& cartelle, QString& file,
                  QString& errori, const QString& descrizione) {
    file = cartelle.completa(f.fileXml.trimmed());
    if (firmati && !file.isEmpty())
        file += QStringLiteral(".p7m");
    const qsizetype prima = errori.size();
    const auto errore = [&](const QString& testo) { errori += A_Capo + descrizione + testo; };
    if (f.stato.trimmed().isEmpty())
        errore(QStringLiteral(" - Fattura non stampata"));
    if (!f.dataDoc || f.dataDoc->year() < 2018)
        errore(QStringLiteral(" - Data documento non valida"));
    if (f.numDoc <= 0)
        errore(QStringLiteral(" - Numero documento non valido"));
    if (file.isEmpty())
        errore(QStringLiteral(" - Manca percorso file "));
    else if (!QFileInfo(file).isFile())
        errore(QStringLiteral(" - Percorso file ") + file + QStringLiteral(" non valido"));
    return errori.size() == prima;
}

QString NomeFileXml(const QString& nomeFile) {
    if (nomeFile.endsWith(QStringLiteral(".xml"), Qt::CaseInsensitive))
        return nomeFile;
    return nomeFile.section(u'.', 0, 0) + QStringLiteral(".xml");
}

namespace {

// The send log: one line per invoice, each beginning with the day's date.
class LogInvio {
public:
    LogInvio(bool attivo, const QString& percorso, QString& errori) : file_(percorso) {
        if (!attivo)
            return;
        if (file_.open(QIODevice::Append | QIODevice::Text))
            out_.setDevice(&file_);
        else
            errori += A_Capo + QStringLiteral("Impossibile scrivere il file di log ") + percorso;
    }
    void riga(const QString& testo) {
        if (!out_.device())
            return;
        QString t = testo;
        t.replace(QStringLiteral("\r\n"), QStringLiteral(" ")).replace(u'\n', u' ').replace(u'\r', u' ');
        out_ << testoData(QDate::currentDate()) << " - " << t << "\n";
        out_.flush();
    }

private:
    QFile file_;
    QTextStream out_;
};

void segna(Database& db, const FatturaEmessa& f, const QString& invio, const std::optional<QString>& idHub) {
    if (idHub)
        db.EseguiConValori(
            QStringLiteral("UPDATE FatTestFE SET FEHubInvio = ?, FEIDHub = ? WHERE Anno = ? AND NumRif = ?"),
            {invio, *idHub, f.anno, f.numRif});
    else
        db.EseguiConValori(
            QStringLiteral("UPDATE FatTestFE SET FEHubInvio = ? WHERE Anno = ? AND NumRif = ?"),
            {invio, f.anno, f.numRif});
}

bool giaSulHub(const QString& errore) {
    return errore.contains(QStringLiteral("con stato [CO] non può essere aggiornato!")) ||
           errore.contains(QStringLiteral("con stato [IC] non può essere aggiornato!"));
}

// What the Hub's answer to one invoice means for its mark; answers the error text, empty when
// the invoice was accepted (e.ok).
QString registraEsito(Database& db, const FatturaEmessa& f, const HubRisposta& r, const QString& descrizione,
                      const QString& identificativo, EsitoFattura& e) {
    if (r.Esito != EsitoOk)
        return descrizione + QStringLiteral(" - Errore ") + QString::number(r.Esito) + QStringLiteral(": ") +
               r.Messaggio;
    if (r.Risposta.trimmed().isEmpty()) {
        e.feHubInvio.clear();
        segna(db, f, e.feHubInvio, std::nullopt);
        return descrizione + QStringLiteral(" - Errore non identificato");
    }
    pugi::xml_document doc;
    QString nonLeggibile;
    // What the Hub did with an answer nobody can read is unknown: the invoice stays queued.
    if (!caricaXmlTesto(doc, TogliDichiarazione(r.Risposta), &nonLeggibile))
        return descrizione + QStringLiteral(" - Risposta dell'Hub non leggibile: ") + nonLeggibile;
    if (TestoNodo(doc, "esito").trimmed().compare(QStringLiteral("KO"), Qt::CaseInsensitive) == 0) {
        const QString testo = TestoNodo(doc, "errore");
        if (giaSulHub(testo)) {
            e.feHubInvio = QStringLiteral("I");
            e.feIdHub = identificativo;
            segna(db, f, e.feHubInvio, identificativo);
        } else {
            e.feHubInvio.clear();
            segna(db, f, e.feHubInvio, std::nullopt);
        }
        return descrizione + QStringLiteral(" - Errore ") + testo;
    }
    e.feHubInvio = QStringLiteral("I");
    e.feIdHub = identificativo;
    segna(db, f, e.feHubInvio, identificativo);
    e.ok = true;
    return {};
}

} // namespace

EsitoInvio InviaTesel(AmbienteInvio& a, HubServizio& hub, Recordset& rs, bool firmati,
                      const AvanzamentoInvio& avanzamento) {
    EsitoInvio esito;
    const bool conLog =
        a.configurazione
            .LeggiPersonal(QStringLiteral("XML"), QStringLiteral("FaiLogInvio"), QStringLiteral("S"))
            .trimmed()
            .compare(QStringLiteral("S"), Qt::CaseInsensitive) == 0;
    const CartelleInvio cartelle = CartelleInvio::leggi(a.configurazione);
    LogInvio log(conLog, cartelle.fileLog(), esito.errori);
    const QString partitaIva = a.parametri.leggi(QStringLiteral("Ditta.PartIva")).trimmed();
    const bool ncSeparate = a.parametri.vale(QStringLiteral("Ditta.NumNCSepar"), u"S");

    // The selection is read whole before the first mark: the marks change the rows it selects,
    // and a statement still reading them would not see a stable set.
    std::vector<FatturaEmessa> fatture;
    for (; !rs.RsEof(); rs.RsMoveNext())
        fatture.push_back(FatturaEmessa::leggi(rs));
    rs.ChiudiRs();

    for (const FatturaEmessa& f : fatture) {
        const QString descrizione = f.descrizione();
        if (avanzamento && !avanzamento(QStringLiteral("Invio ") + descrizione))
            break;
        EsitoFattura e{f.anno, f.numRif, false, {}, QStringLiteral("A"), {}};
        QString file;
        if (!InviaFatCtrl(f, firmati, cartelle, file, e.errori, descrizione)) {
            esito.errori += e.errori;
            for (const QString& riga : e.errori.split(A_Capo, Qt::SkipEmptyParts))
                log.riga(riga);
            esito.fatture.push_back(e);
            continue;
        }
        const QFileInfo info(file);
        const QString percorso = QDir(info.path()).filePath(info.fileName());
        const QString identificativo = IdentificativoDocumento(f, partitaIva, ncSeparate);
        const QString busta = BustaDocumento(f, identificativo);
        const auto invia = [&] {
            HubRisposta r = hub.InviaDocumento(hub.Token(), NomeFileXml(info.fileName()), percorso, busta);
            hub.HubImpostaSessione(r);
            return r;
        };
        HubRisposta r = invia();
        // A session that expired meanwhile has just been opened again: the invoice goes once more.
        if (r.Esito == EsitoSessioneScaduta && hub.contatore() > 0)
            r = invia();

        QString errore;
        try {
            errore = registraEsito(a.db, f, r, descrizione, identificativo, e);
        } catch (const ErroreDb& x) {
            // The mark could not be written: the invoice and its file stay as they were, and the
            // next send goes again (the Hub replaces a document it has not passed on yet).
            e = EsitoFattura{f.anno, f.numRif, false, {}, QStringLiteral("A"), {}};
            errore = descrizione + QStringLiteral(" - Esito dell'Hub non registrato: ") + x.descrizione();
        }
        if (e.ok) {
            ++esito.inviate;
            log.riga(descrizione + QStringLiteral(": Riuscito"));
            if (!QFile::remove(percorso))
                log.riga(descrizione + QStringLiteral(" - File inviato non cancellato: ") + percorso);
        }
        if (!errore.isEmpty()) {
            e.errori = A_Capo + errore;
            esito.errori += e.errori;
            log.riga(errore);
        }
        esito.fatture.push_back(e);
    }
    return esito;
}

} // namespace tesel::hub
