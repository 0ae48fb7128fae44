// The import driver on the demo company: every duplicate verdict, the transaction around a
// file, several bodies in one file, the simplified-invoice and credit-note rules, forced VAT
// codes and supplier creation.

#include "frame/currency.h"
#include "frame/data.h"
#include "frame/parametri.h"
#include "import/importazione.h"
#include "schema/demo.h"
#include "schema/schema.h"
#include "store/store.h"
#include "support/dbprova.h"
#include "support/interazioneprova.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tesel;

namespace {

// A small ordinary invoice of Ferramenta Adriatica (a demo supplier) unless told otherwise.
struct Fattura {
    QString partitaIva = QStringLiteral("03981270683");
    QString codiceFiscale;
    QString denominazione = QStringLiteral("Ferramenta Adriatica Srl");
    QString tipo = QStringLiteral("TD01");
    QString data = QStringLiteral("2024-03-12");
    QString numero = QStringLiteral("123/A");
    QString totale = QStringLiteral("122.00");
    QString linee =
        QStringLiteral("<DettaglioLinee><NumeroLinea>1</NumeroLinea><Descrizione>Viti</Descrizione>"
                       "<Quantita>2.00</Quantita><PrezzoUnitario>50.00</PrezzoUnitario>"
                       "<PrezzoTotale>100.00</PrezzoTotale><AliquotaIVA>22.00</AliquotaIVA>"
                       "</DettaglioLinee>"
                       "<DatiRiepilogo><AliquotaIVA>22.00</AliquotaIVA><ImponibileImporto>100.00"
                       "</ImponibileImporto><Imposta>22.00</Imposta></DatiRiepilogo>");
    QString pagamenti = QStringLiteral("<DatiPagamento><CondizioniPagamento>TP02</CondizioniPagamento>"
                                       "<DettaglioPagamento><ModalitaPagamento>MP05</ModalitaPagamento>"
                                       "<DataScadenzaPagamento>2024-04-30</DataScadenzaPagamento>"
                                       "<ImportoPagamento>122.00</ImportoPagamento></DettaglioPagamento>"
                                       "</DatiPagamento>");

    QString corpo() const {
        const QString dataXml = data.isNull() ? QString() : QStringLiteral("<Data>%1</Data>").arg(data);
        return QStringLiteral(
                   "<FatturaElettronicaBody><DatiGenerali><DatiGeneraliDocumento>"
                   "<TipoDocumento>%1</TipoDocumento><Divisa>EUR</Divisa>%2<Numero>%3</Numero>"
                   "<ImportoTotaleDocumento>%4</ImportoTotaleDocumento></DatiGeneraliDocumento>"
                   "</DatiGenerali><DatiBeniServizi>%5</DatiBeniServizi>%6</FatturaElettronicaBody>")
            .arg(tipo, dataXml, numero, totale, linee, pagamenti);
    }
    QString header() const {
        const QString cf = codiceFiscale.isEmpty()
                               ? QString()
                               : QStringLiteral("<CodiceFiscale>%1</CodiceFiscale>").arg(codiceFiscale);
        return QStringLiteral(
                   "<FatturaElettronicaHeader><DatiTrasmissione><IdTrasmittente><IdPaese>IT</IdPaese>"
                   "<IdCodice>%1</IdCodice></IdTrasmittente><ProgressivoInvio>00001</ProgressivoInvio>"
                   "<FormatoTrasmissione>FPR12</FormatoTrasmissione><CodiceDestinatario>0000000"
                   "</CodiceDestinatario></DatiTrasmissione><CedentePrestatore><DatiAnagrafici>"
                   "<IdFiscaleIVA><IdPaese>IT</IdPaese><IdCodice>%1</IdCodice></IdFiscaleIVA>%2"
                   "<Anagrafica><Denominazione>%3</Denominazione></Anagrafica><RegimeFiscale>RF01"
                   "</RegimeFiscale></DatiAnagrafici><Sede><Indirizzo>Via Roma</Indirizzo>"
                   "<NumeroCivico>1</NumeroCivico><CAP>65129</CAP><Comune>Pescara</Comune>"
                   "<Provincia>PE</Provincia><Nazione>IT</Nazione></Sede></CedentePrestatore>"
                   "<CessionarioCommittente><DatiAnagrafici><IdFiscaleIVA><IdPaese>IT</IdPaese>"
                   "<IdCodice>01234567890</IdCodice></IdFiscaleIVA><Anagrafica><Denominazione>Demo Srl"
                   "</Denominazione></Anagrafica></DatiAnagrafici><Sede><Indirizzo>Via Euganea"
                   "</Indirizzo><CAP>35141</CAP><Comune>Padova</Comune><Nazione>IT</Nazione></Sede>"
                   "</CessionarioCommittente></FatturaElettronicaHeader>")
            .arg(partitaIva, cf, denominazione);
    }
    QString xml(int corpi = 1) const {
        QString testo =
            QStringLiteral(
                "<?xml version=\"1.0\" encoding=\"UTF-8\"?><p:FatturaElettronica versione=\"FPR12\" "
                "xmlns:p=\"http://ivaservizi.agenziaentrate.gov.it/docs/xsd/fatture/v1.2\">") +
            header();
        for (int k = 0; k < corpi; ++k)
            testo += corpo();
        return testo + QStringLiteral("</p:FatturaElettronica>");
    }
};

class ImportDriver : public prova::ConDatabase {
protected:
    void SetUp() override {
        ConDatabase::SetUp();
        if (IsSkipped())
            return;
        creaAziendaDemo();
        parametri = std::make_unique<ParametriAzienda>(db());
    }

    QString scrivi(const QString& nome, const QString& xml) {
        const QString percorso = cartella.filePath(nome);
        QFile f(percorso);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(xml.toUtf8());
        return percorso;
    }

    std::vector<EsitoImport> importa(const QString& percorso, const OpzioniImport& opzioni = {},
                                     const DatiHub& hub = {}) {
        ImportatoreFatture imp(db(), ui, *parametri, opzioni);
        return imp.importa(percorso, hub);
    }

    qint64 conta(const QString& tabella, const QString& dove = {}) {
        return db()
            .valore(QStringLiteral("SELECT count(*) FROM ") + tabella +
                    (dove.isEmpty() ? QString() : u' ' + dove))
            .toLongLong();
    }

    // Rows of the five tables, so a refused import can be shown to change nothing.
    std::vector<qint64> righeStore() {
        std::vector<qint64> n;
        for (QLatin1String t : store::TabelleInOrdineDiCancellazione)
            n.push_back(conta(t));
        return n;
    }

    QTemporaryDir cartella;
    prova::InterazioneProva ui;
    std::unique_ptr<ParametriAzienda> parametri;
};

TEST_F(ImportDriver, shouldStoreTheInvoiceWithItsKeyStateAndResolvedCodes) {
    const auto esiti = importa(scrivi(QStringLiteral("IT03981270683_00001.xml"), Fattura{}.xml()));
    ASSERT_EQ(esiti.size(), 1u);
    const EsitoImport& e = esiti[0];
    ASSERT_TRUE(e.ok) << e.errori.toStdString();
    EXPECT_EQ(e.errori, QString());

    const FatturaStore f = leggiFattura(db(), 2024, 1);
    ASSERT_TRUE(f.testata);
    const RigaStore& t = *f.testata;
    EXPECT_EQ(t.testo(u"GruppoFor") + t.testo(u"MastroFor") + t.testo(u"ContoFor"),
              QStringLiteral("40101001"));
    EXPECT_EQ(t.testo(u"Causale"), QStringLiteral("FAA"));
    EXPECT_EQ(t.testo(u"Pagamento"), QStringLiteral("RB60FM"));
    EXPECT_EQ(t.testo(u"Banca"), QStringLiteral("BCA")); // MP05 without ABI/CAB: the supplier's bank

    ASSERT_EQ(f.dettaglio.size(), 1u);
    EXPECT_EQ(f.dettaglio[0].testo(u"Iva"), QStringLiteral("22"));
    // Ferramenta Adriatica puts the article first; no article: its own counter-account.
    EXPECT_EQ(f.dettaglio[0].testo(u"GruppoCPartita") + f.dettaglio[0].testo(u"ContoCPartita"),
              QStringLiteral("601001"));
    ASSERT_EQ(f.iva.size(), 1u);
    EXPECT_EQ(f.iva[0].testo(u"Iva"), QStringLiteral("22"));
}

// ---- Files refused as a whole -----------------------------------------------------------------

TEST_F(ImportDriver, shouldRefuseWithoutStoringAnythingWhenTheFileIsNotAnInvoice) {
    const struct {
        const char* nome;
        QString xml;
        QString errori;
    } casi[] = {
        {"ricevuta.xml",
         QStringLiteral("<RicevutaConsegna><IdentificativoSdI>1</IdentificativoSdI></RicevutaConsegna>"),
         QStringLiteral("\r\nFile: ricevuta.xml File non di tipo FatturaElettronica")},
        {"senzacorpo.xml",
         QStringLiteral("<FatturaElettronica>") + Fattura{}.header() +
             QStringLiteral("</FatturaElettronica>"),
         QStringLiteral("\r\nFile: senzacorpo.xml File non di tipo FatturaElettronica")},
    };
    for (const auto& c : casi) {
        SCOPED_TRACE(c.nome);
        const auto esiti = importa(scrivi(QLatin1String(c.nome), c.xml));
        ASSERT_EQ(esiti.size(), 1u);
        EXPECT_FALSE(esiti[0].ok);
        EXPECT_EQ(esiti[0].errori, c.errori);
    }
    EXPECT_EQ(righeStore(), std::vector<qint64>(5, 0));

    const auto rotto =
        importa(scrivi(QStringLiteral("rotto.xml"), QStringLiteral("<FatturaElettronica><a>")));
    EXPECT_FALSE(rotto[0].ok);
    EXPECT_TRUE(rotto[0].errori.startsWith(QStringLiteral("\r\nFile: rotto.xml XML non valido: ")))
        << rotto[0].errori.toStdString();
    const auto manca = importa(cartella.filePath(QStringLiteral("nessuno.xml")));
    EXPECT_EQ(manca[0].errori, QStringLiteral("\r\nnessuno.xml - inesistente"));
}

// ---- Duplicates -----------------------------------------------------------------------------------

TEST_F(ImportDriver, shouldRefuseTheSameFileTwiceWithoutOverwriting) {
    const QString file = scrivi(QStringLiteral("doppio.xml"), Fattura{}.xml());
    ASSERT_TRUE(importa(file)[0].ok);
    const auto prima = righeStore();
    const auto esiti = importa(file);
    EXPECT_FALSE(esiti[0].ok);
    EXPECT_EQ(esiti[0].errori, QStringLiteral("\r\nFile doppio.xml già caricato"));
    EXPECT_EQ(righeStore(), prima);
}

TEST_F(ImportDriver, shouldReplaceAnUnpostedInvoiceKeepingItsNumber) {
    ASSERT_TRUE(importa(scrivi(QStringLiteral("altra.xml"), Fattura{}.xml()))[0].ok);
    const QString file = scrivi(QStringLiteral("rifatta.xml"), Fattura{}.xml());
    ASSERT_EQ(importa(file)[0].numRif, 2);
    ASSERT_TRUE(importa(scrivi(QStringLiteral("dopo.xml"), Fattura{}.xml()))[0].ok);

    Fattura nuova;
    nuova.linee = QStringLiteral("<DettaglioLinee><NumeroLinea>1</NumeroLinea><Descrizione>A</Descrizione>"
                                 "<PrezzoUnitario>10</PrezzoUnitario><PrezzoTotale>10</PrezzoTotale>"
                                 "<AliquotaIVA>22.00</AliquotaIVA></DettaglioLinee>"
                                 "<DettaglioLinee><NumeroLinea>2</NumeroLinea><Descrizione>B</Descrizione>"
                                 "<PrezzoUnitario>20</PrezzoUnitario><PrezzoTotale>20</PrezzoTotale>"
                                 "<AliquotaIVA>22.00</AliquotaIVA></DettaglioLinee>");
    scrivi(QStringLiteral("rifatta.xml"), nuova.xml());
    OpzioniImport sovrascrivi;
    sovrascrivi.sovrascrivi = true;
    const auto esiti = importa(file, sovrascrivi);
    ASSERT_TRUE(esiti[0].ok) << esiti[0].errori.toStdString();
    EXPECT_EQ(esiti[0].numRif, 2);
    const FatturaStore f = leggiFattura(db(), 2024, 2);
    ASSERT_EQ(f.dettaglio.size(), 2u);
    EXPECT_EQ(f.dettaglio[1].testo(u"Descrizione"), QStringLiteral("B"));
    EXPECT_TRUE(f.iva.empty());
    EXPECT_EQ(conta(QStringLiteral("FatXmlTest")), 3);
}

TEST_F(ImportDriver, shouldNeverReplaceAPostedInvoice) {
    const QString file = scrivi(QStringLiteral("contabilizzata.xml"), Fattura{}.xml());
    ASSERT_TRUE(importa(file)[0].ok);
    db().EseguiSql(QStringLiteral("UPDATE FatXmlTest SET Contabilizzato = 'S'"));
    const auto prima = righeStore();
    OpzioniImport sovrascrivi;
    sovrascrivi.sovrascrivi = true;
    const auto esiti = importa(file, sovrascrivi);
    EXPECT_FALSE(esiti[0].ok);
    EXPECT_EQ(esiti[0].errori, QStringLiteral("\r\nFile contabilizzata.xml già contabilizzato"));
    EXPECT_EQ(righeStore(), prima);
}

TEST_F(ImportDriver, shouldTellApartFilesAndHubIdentifiersAlreadyStored) {
    OpzioniImport sovrascrivi;
    sovrascrivi.sovrascrivi = true;
    ASSERT_TRUE(
        importa(scrivi(QStringLiteral("uno.xml"), Fattura{}.xml()), {}, {QStringLiteral("H1"), {}, {}})[0]
            .ok);
    ASSERT_TRUE(
        importa(scrivi(QStringLiteral("due.xml"), Fattura{}.xml()), {}, {QStringLiteral("H2"), {}, {}})[0]
            .ok);
    const auto prima = righeStore();

    const struct {
        const char* file;
        const char* hub;
        bool sovrascrivi;
        const char* errori;
    } casi[] = {
        {"uno.xml", "H2", false, "\r\nFile uno.xml e Id Hub H2 già caricati in file diversi"},
        {"uno.xml", "H1", false, "\r\nFile uno.xml già caricato"},
        {"tre.xml", "H1", true, "\r\nId Hub H1 già caricato con file diverso"},
        {"uno.xml", "H9", true, "\r\nFile uno.xml già caricato con Id Hub diverso"},
        {"uno.xml", "", true, "\r\nFile uno.xml già caricato con Id Hub diverso"},
    };
    for (const auto& c : casi) {
        SCOPED_TRACE(c.file + std::string(" ") + c.hub);
        OpzioniImport o;
        o.sovrascrivi = c.sovrascrivi;
        const auto esiti =
            importa(scrivi(QLatin1String(c.file), Fattura{}.xml()), o, {QLatin1String(c.hub), {}, {}});
        EXPECT_FALSE(esiti[0].ok);
        EXPECT_EQ(esiti[0].errori, QString::fromUtf8(c.errori));
        EXPECT_EQ(righeStore(), prima);
    }
    // Same file and same Hub identifier: replaced.
    const auto esiti = importa(scrivi(QStringLiteral("uno.xml"), Fattura{}.xml()), sovrascrivi,
                               {QStringLiteral("H1"), QStringLiteral("SDI77"), QDate(2024, 3, 13)});
    ASSERT_TRUE(esiti[0].ok) << esiti[0].errori.toStdString();
    EXPECT_EQ(esiti[0].numRif, 1);
    const FatturaStore f = leggiFattura(db(), 2024, 1);
    EXPECT_EQ(f.testata->testo(u"identificativoSdi"), QStringLiteral("SDI77"));
    EXPECT_EQ(f.testata->data(u"DataRicSdi"), QDate(2024, 3, 13));
}

// ---- Several bodies, one transaction ----------------------------------------------------------------

TEST_F(ImportDriver, shouldImportEveryBodyAsItsOwnInvoice) {
    const auto esiti =
        importa(scrivi(QStringLiteral("lotto.xml"), Fattura{}.xml(3)), {}, {QStringLiteral("HUB5"), {}, {}});
    ASSERT_EQ(esiti.size(), 3u);
    for (int k = 0; k < 3; ++k) {
        EXPECT_TRUE(esiti[k].ok);
        EXPECT_EQ(esiti[k].corpo, k + 1);
        EXPECT_EQ(esiti[k].numRif, k + 1);
    }
    EXPECT_EQ(db().valore(QStringLiteral("SELECT NomeFile FROM FatXmlTest WHERE XmlNumRif = 3")).toString(),
              QStringLiteral("lotto.xml/3"));
    EXPECT_EQ(db().valore(QStringLiteral("SELECT FEIDHub FROM FatXmlTest WHERE XmlNumRif = 2")).toString(),
              QStringLiteral("HUB5/2"));
    EXPECT_EQ(fileECorpo(QStringLiteral("lotto.xml/3")), std::make_pair(QStringLiteral("lotto.xml"), 3));
    EXPECT_EQ(fileECorpo(QStringLiteral("lotto.xml")), std::make_pair(QStringLiteral("lotto.xml"), 1));

    // Again: every body is found by its own name.
    const auto ancora =
        importa(cartella.filePath(QStringLiteral("lotto.xml")), {}, {QStringLiteral("HUB5"), {}, {}});
    ASSERT_EQ(ancora.size(), 3u);
    EXPECT_EQ(ancora[2].errori.left(40), QStringLiteral("\r\nFile lotto.xml/3 già caricato"));
}

TEST_F(ImportDriver, shouldStoreNothingOfAFileWhoseSecondBodyFailsAndKeepTheReplacedInvoice) {
    Fattura buona;
    const QString file = scrivi(QStringLiteral("misto.xml"), buona.xml());
    ASSERT_TRUE(importa(file)[0].ok);
    const auto prima = righeStore();

    Fattura cattiva;
    cattiva.data = QString();
    Fattura sostituta;
    sostituta.linee = QString();
    scrivi(QStringLiteral("misto.xml"), QStringLiteral("<FatturaElettronica>") + buona.header() +
                                            sostituta.corpo() + cattiva.corpo() +
                                            QStringLiteral("</FatturaElettronica>"));
    OpzioniImport sovrascrivi;
    sovrascrivi.sovrascrivi = true;
    const auto esiti = importa(file, sovrascrivi);
    ASSERT_EQ(esiti.size(), 2u);
    EXPECT_FALSE(esiti[0].ok);
    EXPECT_EQ(esiti[0].errori,
              QStringLiteral("\r\nFile: misto.xml non caricato: un'altra fattura dello stesso file "
                             "ha dato errore"));
    EXPECT_EQ(esiti[1].errori, QStringLiteral("\r\nFile: misto.xml/2 Manca la Data Fattura"));
    EXPECT_EQ(righeStore(), prima);
    EXPECT_EQ(leggiFattura(db(), 2024, 1).dettaglio.size(), 1u);
}

// ---- Line rules --------------------------------------------------------------------------------------

TEST_F(ImportDriver, shouldInvertTheSignsOfANegativeCreditNoteWhenTheCompanyAsks) {
    Fattura nota;
    nota.tipo = QStringLiteral("TD04");
    nota.totale = QStringLiteral("-122.00");
    nota.linee.replace(QStringLiteral("<PrezzoTotale>100.00"), QStringLiteral("<PrezzoTotale>-100.00"));
    nota.linee.replace(QStringLiteral("<PrezzoUnitario>50.00"), QStringLiteral("<PrezzoUnitario>-50.00"));
    nota.linee.replace(QStringLiteral("<ImponibileImporto>100.00"),
                       QStringLiteral("<ImponibileImporto>-100.00"));
    nota.linee.replace(QStringLiteral("<Imposta>22.00"), QStringLiteral("<Imposta>-22.00"));
    nota.pagamenti.replace(QStringLiteral("<ImportoPagamento>122.00"),
                           QStringLiteral("<ImportoPagamento>-122.00"));

    ASSERT_TRUE(importa(scrivi(QStringLiteral("nc1.xml"), nota.xml()))[0].ok);
    parametri->scrivi(QStringLiteral("Tesel.InvNotaCredNeg"), QStringLiteral("S"));
    ASSERT_TRUE(importa(scrivi(QStringLiteral("nc2.xml"), nota.xml()))[0].ok);

    const FatturaStore comeScritta = leggiFattura(db(), 2024, 1);
    EXPECT_EQ(comeScritta.testata->valuta(u"DGD_ImportoTotaleDocumento"), Currency::daUnita(-122));

    const FatturaStore invertita = leggiFattura(db(), 2024, 2);
    EXPECT_EQ(invertita.testata->valuta(u"DGD_ImportoTotaleDocumento"), Currency::daUnita(122));
    const RigaStore& riga = invertita.dettaglio[0];
    EXPECT_EQ(riga.valuta(u"Quantita"), Currency::daUnita(-2)); // the quantity carries the sign
    EXPECT_EQ(riga.valuta(u"PrezzoUnitario"), Currency::daUnita(-50));
    EXPECT_EQ(riga.valuta(u"PrezzoTotale"), Currency::daUnita(100));
    EXPECT_EQ(invertita.iva[0].valuta(u"ImponibileImporto"), Currency::daUnita(100));
    EXPECT_EQ(invertita.iva[0].valuta(u"Imposta"), Currency::daUnita(22));
    EXPECT_EQ(invertita.pagamenti[0].valuta(u"ImportoPagamento"), Currency::daUnita(122));
    EXPECT_EQ(invertita.testata->testo(u"Causale"), QStringLiteral("NCA"));
}

TEST_F(ImportDriver, shouldUseTheVatCodesForcedByTheUserBeforeTheTable) {
    Fattura f;
    f.linee =
        QStringLiteral("<DettaglioLinee><NumeroLinea>1</NumeroLinea><Descrizione>Fuori campo</Descrizione>"
                       "<PrezzoUnitario>10</PrezzoUnitario><PrezzoTotale>10</PrezzoTotale>"
                       "<AliquotaIVA>0.00</AliquotaIVA><Natura>N2.2</Natura></DettaglioLinee>"
                       "<DettaglioLinee><NumeroLinea>2</NumeroLinea><Descrizione>Auto</Descrizione>"
                       "<PrezzoUnitario>100</PrezzoUnitario><PrezzoTotale>100</PrezzoTotale>"
                       "<AliquotaIVA>22.00</AliquotaIVA></DettaglioLinee>"
                       "<DatiRiepilogo><AliquotaIVA>0.00</AliquotaIVA><Natura>N2.2</Natura>"
                       "<ImponibileImporto>10</ImponibileImporto><Imposta>0</Imposta></DatiRiepilogo>"
                       "<DatiRiepilogo><AliquotaIVA>22.00</AliquotaIVA><ImponibileImporto>100"
                       "</ImponibileImporto><Imposta>22</Imposta></DatiRiepilogo>");
    ASSERT_TRUE(importa(scrivi(QStringLiteral("libera.xml"), f.xml()))[0].ok);

    OpzioniImport forzate;
    forzate.ivaPerNatura = {{QStringLiteral("N1"), QStringLiteral("E15")},
                            {QStringLiteral("N2.2"), QStringLiteral("NSM")}};
    forzate.ivaAltra = QStringLiteral("22I40");
    ASSERT_TRUE(importa(scrivi(QStringLiteral("forzata.xml"), f.xml()), forzate)[0].ok);

    const FatturaStore libera = leggiFattura(db(), 2024, 1), forzata = leggiFattura(db(), 2024, 2);
    EXPECT_EQ(libera.dettaglio[0].testo(u"Iva"), QStringLiteral("NS")); // highest priority of N2.2
    EXPECT_EQ(libera.dettaglio[1].testo(u"Iva"), QStringLiteral("22"));
    EXPECT_EQ(libera.iva[0].testo(u"AFEIvaEse"), QStringLiteral("N2.2-01"));
    EXPECT_EQ(forzata.dettaglio[0].testo(u"Iva"), QStringLiteral("NSM"));
    EXPECT_EQ(forzata.dettaglio[1].testo(u"Iva"), QStringLiteral("22I40"));
    EXPECT_EQ(forzata.iva[0].testo(u"AFEIvaEse"), QStringLiteral("N2.2-03"));
}

TEST_F(ImportDriver, shouldCreateAMissingSupplierOnlyWhenAsked) {
    Fattura nuova;
    nuova.partitaIva = QStringLiteral("09876543210");
    nuova.denominazione = QStringLiteral("Nuovi Arrivi Srl");
    ASSERT_TRUE(importa(scrivi(QStringLiteral("n1.xml"), nuova.xml()))[0].ok);
    EXPECT_EQ(leggiFattura(db(), 2024, 1).testata->testo(u"ContoFor"), QString());

    OpzioniImport crea;
    crea.creaFornitori = true;
    crea.gruppoFornitori = QStringLiteral("40");
    crea.mastroFornitori = QStringLiteral("10");
    ASSERT_TRUE(importa(scrivi(QStringLiteral("n2.xml"), nuova.xml()), crea)[0].ok);
    const RigaStore t = *leggiFattura(db(), 2024, 2).testata;
    EXPECT_EQ(t.testo(u"GruppoFor") + u'-' + t.testo(u"MastroFor") + u'-' + t.testo(u"ContoFor"),
              QStringLiteral("40-10-1013"));
    EXPECT_EQ(db().valore(QStringLiteral("SELECT Descrizione FROM PianoConti WHERE PartIva = '09876543210'"))
                  .toString(),
              QStringLiteral("Nuovi Arrivi Srl"));

    // A refused file takes its new supplier away with it.
    Fattura altro;
    altro.partitaIva = QStringLiteral("05555555555");
    altro.data = QString();
    EXPECT_FALSE(importa(scrivi(QStringLiteral("n3.xml"), altro.xml()), crea)[0].ok);
    EXPECT_EQ(conta(QStringLiteral("PianoConti"), QStringLiteral("WHERE PartIva = '05555555555'")), 0);
}

TEST(RapportoImport, shouldWordTheDialogReportsAndNameTheFileOfEveryMessage) {
    RapportoImport r;
    // clang-format off
    EsitoImport ok{QStringLiteral("/x/a.xml"), 1, true, 2024, 7, QStringLiteral("03981270683"), QStringLiteral("1"),
                   QStringLiteral("a.xml"), QStringLiteral("\r\nTag Det_Quantita con valore di tipo valuta non valida")};
    EsitoImport ko{QStringLiteral("/x/b.xml"), 1, false, 0, 0, {}, {}, QStringLiteral("b.xml"),
                   QStringLiteral("\r\nFile b.xml già caricato")};
    // clang-format on
    r.aggiungi({ok});
    r.aggiungi({ko});
    r.aggiungiInesistente(QStringLiteral("/x/c.xml"));
    EXPECT_EQ(r.caricate(), QStringLiteral("\r\n03981270683 - a.xml - 7"));
    EXPECT_EQ(r.errori(),
              QStringLiteral("\r\nFile: a.xml\r\nTag Det_Quantita con valore di tipo valuta non valida"
                             "\r\nFile b.xml già caricato\r\n/x/c.xml - inesistente"));
    EXPECT_EQ(r.fattureCaricate(), 1);
    EXPECT_EQ(r.fileConErrori(), 2);
}

} // namespace
