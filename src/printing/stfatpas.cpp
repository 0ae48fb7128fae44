// The run of the received-invoice print: the selection read in full, each invoice read and
// drawn in turn, marked printed, the interrupt honoured between invoices.

#include "printing/stfatpas.h"

#include "frame/configurazione.h"
#include "frame/database.h"
#include "frame/ini.h"
#include "frame/interazione.h"
#include "frame/parametri.h"
#include "frame/sqlvalore.h"
#include "printing/lumostampe.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>
#include <memory>

namespace tesel::stampa {

namespace {

bool semplificata(const QString& tipo) {
    const QString t = tipo.trimmed().toUpper();
    return t == u"TD07" || t == u"TD08" || t == u"TD09";
}

QString chiaveTesto(const ChiaveStampa& k) {
    return QString::number(k.anno) + u'/' + QString::number(k.numero);
}

// A name not yet used in this run: two invoices that would share one (the same number of the
// same supplier in two years) never overwrite each other's file.
QString nomeLibero(const QString& nome, QSet<QString>& usati) {
    QString n = nome;
    const QString base = QFileInfo(nome).completeBaseName();
    for (int i = 2; usati.contains(n.toLower()); ++i)
        n = base + QStringLiteral("_%1.pdf").arg(i);
    usati.insert(n.toLower());
    return n;
}

// The styles the page selects by name, for an engine the set-up layer has not prepared, and
// two narrower ones for the labels of narrow boxes.
void assicuraStili(LumoStampe& s) {
    for (const StileCarattere& st : stiliStandard())
        if (!s.stile(st.nome))
            s.definisciStile(st);
    s.definisciStile({QStringLiteral("CorpoLabStretta"), QStringLiteral("Arial"), 6, true});
    s.definisciStile({QStringLiteral("CorpoLabMinima"), QStringLiteral("Arial"), 5.5, true});
}

} // namespace

OpzioniStFatPas leggiOpzioniStFatPas(Configurazione& conf, ParametriAzienda& parametri,
                                     const QString& modello) {
    const auto si = [](const QString& v) {
        return v.trimmed().compare(QStringLiteral("S"), Qt::CaseInsensitive) == 0;
    };
    const QString sezione = QStringLiteral("StFatPas");
    OpzioniStFatPas o;
    o.nomi.modello = modello;
    o.nomi.inizio = conf.leggiIni(sezione, QStringLiteral("PdfNomeIni")).trimmed();
    o.nomi.conData = si(conf.leggiIni(sezione, QStringLiteral("PdfNomeData"), QStringLiteral("S")));
    o.nomi.fine = conf.leggiIni(sezione, QStringLiteral("PdfNomeFin")).trimmed();
    o.nomi.riepilogo = conf.leggiIni(sezione, QStringLiteral("PdfNomeRiep")).trimmed();
    o.nomi.riepData = si(conf.leggiIni(sezione, QStringLiteral("PdfRiepData")));
    // The same switch the import uses to call such lines descriptive.
    o.rigaZeroDescr = si(parametri.leggi(QStringLiteral("Tesel.RigaZeroDescr"), QStringLiteral("S")));
    return o;
}

void impostaDaProfilo(StFatPas& st, Configurazione& conf, ParametriAzienda& parametri, ClientMenu& menu,
                      Interazione& ui) {
    // The set-up reads the profile on every call: both live as long as the run may need them.
    auto profilo = std::make_shared<FileIni>(conf.fileProfilo());
    auto impostazione =
        std::make_shared<ImpostazioneStampa>(*profilo, postazioneCorrente(menu), ContestoNomi{}.identita);
    st.opzioni = leggiOpzioniStFatPas(conf, parametri, impostazione->leggiPdfAutomatico().modello);
    st.opzioni.chi.postazione = impostazione->postazione();
    st.opzioni.chi.identita = impostazione->identita();
    st.allApertura = [profilo, impostazione, &ui](LumoStampe& s) { impostazione->prepara(s, ui); };
}

StFatPas::StFatPas(Database& db, Interazione& ui) : db_(db), ui_(ui) {
}
StFatPas::~StFatPas() = default;

std::vector<ChiaveStampa> StFatPas::leggiSelezione() {
    std::vector<ChiaveStampa> v;
    Recordset rs = db_.ApriRs(PrepSql(origine, ordine));
    for (; !rs.RsEof(); rs.RsMoveNext())
        v.push_back({static_cast<int>(rs.leggiIntero(QString(store::XmlAnno)).value_or(0)),
                     static_cast<qint32>(rs.leggiIntero(QString(store::XmlNumRif)).value_or(0))});
    return v;
}

std::optional<FatturaInStampa> StFatPas::leggiFattura(const ChiaveStampa& k) {
    FatturaStore s = tesel::leggiFattura(db_, k.anno, k.numero);
    if (!s.testata)
        return std::nullopt;
    FatturaInStampa f;
    f.testata = std::move(*s.testata);
    f.righe = std::move(s.dettaglio);
    f.iva = std::move(s.iva);
    f.pagamenti = std::move(s.pagamenti);
    f.datiGen = std::move(s.datiGen);
    f.semplificata = semplificata(f.testata.testo(u"DGD_TipoDocumento"));
    f.decimali = LeggiNumDec(f.righe);
    return f;
}

QString StFatPas::decodifica(const QString& tabella, const QString& codice) {
    const QString c = codice.trimmed();
    if (c.isEmpty())
        return {};
    const QString chiave = tabella + u'\x1f' + c;
    if (const auto it = decodifiche_.constFind(chiave); it != decodifiche_.constEnd())
        return *it;
    const QString d =
        db_.valore(QStringLiteral("SELECT Descrizione FROM Decodifiche WHERE TipoTab = ") +
                   SqlValore(tabella, SqlTesto) + QStringLiteral(" AND Codice = ") + SqlValore(c, SqlTesto))
            .toString()
            .trimmed();
    decodifiche_.insert(chiave, d);
    return d;
}

void StFatPas::segnaStampata(const ChiaveStampa& k) {
    db_.EseguiSql(QStringLiteral("UPDATE FatXmlTest SET Stampato = 'S' WHERE XmlAnno = ") +
                  SqlValore(k.anno, SqlIntero) + QStringLiteral(" AND XmlNumRif = ") +
                  SqlValore(k.numero, SqlLungo));
}

void StFatPas::riporta(EsitoStampa& e, const QString& testo) {
    e.messaggi << testo;
}

bool StFatPas::scriviDaRecord(const LumoStampe& s, EsitoStampa& esito) {
    QString errore;
    bool ok = false;
    if (opzioni.destinazione == Destinazione::FileDati) {
        ok = scriviFileDati(tabellaDaOperazioni(s.operazioni()), opzioni.fileDati, opzioni.formatoFile,
                            errore);
        if (ok)
            esito.file << opzioni.fileDati;
    } else {
        const QByteArray testo = testoLunghezzaFissa(s.operazioni(), s.larghezzaStampabile(),
                                                     s.altezzaStampabile(), opzioni.fissa);
        if (!opzioni.fileFisso.isEmpty()) {
            QSaveFile f(opzioni.fileFisso);
            ok = f.open(QIODevice::WriteOnly) && f.write(testo) == testo.size() && f.commit();
            if (ok)
                esito.file << opzioni.fileFisso;
            else
                errore = QStringLiteral("Impossibile scrivere il file ") + opzioni.fileFisso +
                         QStringLiteral(": ") + f.errorString();
        } else if (opzioni.inviaFisso) {
            ok = opzioni.inviaFisso(testo, errore);
        } else {
            errore = QStringLiteral("Manca il file o la stampante per la stampa a lunghezza fissa");
        }
    }
    if (!ok) {
        esito.erroreFile = true;
        esito.fatture = 0;
        riporta(esito, errore);
    }
    return ok;
}

EsitoStampa StFatPas::AvviaStampa() {
    EsitoStampa esito;
    QString procedura = QStringLiteral("PrepSql");
    motoreProprio_.reset();
    LumoStampe* s = motore;
    std::vector<ChiaveStampa> daSegnare; // the single PDF marks its invoices once it is closed
    bool aperto = false;
    try {
        const std::vector<ChiaveStampa> chiavi = leggiSelezione();
        if (chiavi.empty()) {
            msgCom(ui_, QStringLiteral("Non ci sono dati nell'intervallo richiesto"));
            riporta(esito, QStringLiteral("Non ci sono dati nell'intervallo richiesto"));
            return esito;
        }
        procedura = QStringLiteral("AvviaStampa");
        const Destinazione dest = opzioni.destinazione;
        const bool daRecord = dest == Destinazione::FileDati || dest == Destinazione::Fissa;
        if (dest == Destinazione::PdfUnico || dest == Destinazione::PdfPerFattura || daRecord) {
            motoreProprio_ = std::make_unique<LumoStampe>();
            s = motoreProprio_.get();
        }
        if (!s)
            throw std::logic_error("nessun motore di stampa per la destinazione scelta");
        if (allApertura)
            allApertura(*s);
        assicuraStili(*s);
        // A long run needs no record of every text it drew.
        s->registraOperazioni(chiavi.size() <= 50 || !motoreProprio_ || daRecord);
        if (dest == Destinazione::PdfUnico) {
            if (!s->apriPdf(opzioni.filePdf, QStringLiteral("Stampa Fatture Passive"))) {
                esito.erroreFile = true;
                riporta(esito, s->errore());
                msgCom(ui_, s->errore());
                return esito;
            }
        } else if (dest == Destinazione::PdfPerFattura) {
            if (!QDir().mkpath(opzioni.cartellaPdf) || !s->apriPdfPerDocumento()) {
                const QString m =
                    QStringLiteral("Impossibile creare la cartella dei pdf: ") + opzioni.cartellaPdf;
                esito.erroreFile = true;
                riporta(esito, m);
                msgCom(ui_, m);
                return esito;
            }
        }
        aperto = true;
        QSet<QString> nomiUsati;
        for (const ChiaveStampa& k : chiavi) {
            procedura = QStringLiteral("LeggiFattura");
            const std::optional<FatturaInStampa> f = leggiFattura(k);
            if (!f) {
                riporta(esito, QStringLiteral("La fattura ") + chiaveTesto(k) +
                                   QStringLiteral(" non è più in archivio"));
                continue;
            }
            if (f->righe.empty())
                riporta(esito,
                        QStringLiteral("La fattura ") + chiaveTesto(k) + QStringLiteral(" è senza dettagli"));
            QString file;
            if (dest == Destinazione::PdfPerFattura) {
                const QString nome =
                    nomeLibero(nomePdfFattura(opzioni.nomi, f->testata, opzioni.chi), nomiUsati);
                file = QDir(opzioni.cartellaPdf).filePath(nome);
                if (messaggio)
                    messaggio(QStringLiteral("Stampo su file: ") + nome);
            }
            procedura = QStringLiteral("StampaDoc");
            if (!s->iniziaDocumento(file, f->testata.testo(u"DGD_Numero"))) {
                // The folder refuses files: the next invoices would fail alike.
                esito.erroreFile = true;
                riporta(esito, s->errore());
                break;
            }
            StampaDoc(*s, *f);
            if (!s->chiudiDocumento()) {
                esito.erroreFile = true;
                riporta(esito,
                        QStringLiteral("Errore nella chiusura del pdf") + QStringLiteral(": ") + s->errore());
                break;
            }
            if (!file.isEmpty())
                esito.file << file;
            procedura = QStringLiteral("SegnaStampato");
            ++esito.fatture;
            if (dest == Destinazione::PdfUnico || daRecord)
                daSegnare.push_back(k);
            else if (dest != Destinazione::Video)
                segnaStampata(k);
            if ((dopoFattura && dopoFattura(k, s->pagina())) || s->interruzioneRichiesta()) {
                esito.interrotta = true;
                break;
            }
        }
        procedura = QStringLiteral("FinePdfAutom");
        esito.pagine = s->pagineTotali();
        aperto = false;
        if (!s->fine()) {
            // Said once, with what went wrong, among the run's other messages.
            esito.erroreFile = true;
            if (dest == Destinazione::PdfUnico || esito.messaggi.isEmpty())
                riporta(esito, QStringLiteral("Errore nella chiusura del pdf: ") + s->errore());
            if (dest == Destinazione::PdfUnico)
                esito.fatture = 0;
        } else if (daRecord) {
            procedura = QStringLiteral("StampaSuFile");
            if (scriviDaRecord(*s, esito) && dest == Destinazione::Fissa && opzioni.fileFisso.isEmpty()) {
                // Sent to the printer: that is paper, as the printer run.
                Transazione t(db_);
                for (const ChiaveStampa& k : daSegnare)
                    segnaStampata(k);
                t.conferma();
            }
        } else if (dest == Destinazione::PdfUnico) {
            esito.file << opzioni.filePdf;
            // The file holds them all: all of them are marked, in one unit of work.
            Transazione t(db_);
            for (const ChiaveStampa& k : daSegnare)
                segnaStampata(k);
            t.conferma();
        }
    } catch (const std::exception& e) {
        int numero = 0;
        QString descrizione = QString::fromLocal8Bit(e.what());
        if (const auto* d = dynamic_cast<const ErroreDb*>(&e)) {
            numero = d->numero();
            descrizione = d->descrizione();
        }
        const QString m = QStringLiteral("Errore n") + QString::number(numero) + QStringLiteral(" : ") +
                          descrizione + QStringLiteral(" in ") + procedura + QStringLiteral(" di StFatPas");
        riporta(esito, m);
        esito.errore = true;
        if (s && aperto)
            s->fine();
        msgCom(ui_, m);
        return esito;
    }
    // What went wrong with single invoices, all together at the end.
    if (!esito.messaggi.isEmpty())
        msgCom(ui_, esito.messaggi.join(QStringLiteral("\r\n")));
    return esito;
}

} // namespace tesel::stampa
