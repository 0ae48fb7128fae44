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
#include <QThread>
#include <algorithm>
#include <functional>
#include <future>
#include <gtest/gtest.h>
#include <thread>

using namespace Qt::StringLiterals;

// Options are written naming only the fields a case sets; the others keep their defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

using namespace tesel;

namespace {

// A small ordinary invoice of Ferramenta Adriatica (a demo supplier) unless told otherwise.
struct Fattura {
    QString partitaIva = u"03981270683"_s;
    QString codiceFiscale;
    QString denominazione = u"Ferramenta Adriatica Srl"_s;
    QString tipo = u"TD01"_s;
    QString data = u"2024-03-12"_s;
    QString numero = u"123/A"_s;
    QString totale = u"122.00"_s;
    QString linee = u"<DettaglioLinee><NumeroLinea>1</NumeroLinea><Descrizione>Viti</Descrizione>"
                    "<Quantita>2.00</Quantita><PrezzoUnitario>50.00</PrezzoUnitario>"
                    "<PrezzoTotale>100.00</PrezzoTotale><AliquotaIVA>22.00</AliquotaIVA>"
                    "</DettaglioLinee>"
                    "<DatiRiepilogo><AliquotaIVA>22.00</AliquotaIVA><ImponibileImporto>100.00"
                    "</ImponibileImporto><Imposta>22.00</Imposta></DatiRiepilogo>"_s;
    QString pagamenti = u"<DatiPagamento><CondizioniPagamento>TP02</CondizioniPagamento>"
                        "<DettaglioPagamento><ModalitaPagamento>MP05</ModalitaPagamento>"
                        "<DataScadenzaPagamento>2024-04-30</DataScadenzaPagamento>"
                        "<ImportoPagamento>122.00</ImportoPagamento></DettaglioPagamento>"
                        "</DatiPagamento>"_s;

    // Body k (k >= 2) of a file is another document: its number gets "-k".
    QString corpo(int k = 1) const {
        const QString numero = k > 1 ? this->numero + u"-%1"_s.arg(k) : this->numero;
        const QString dataXml = data.isNull() ? QString() : u"<Data>%1</Data>"_s.arg(data);
        return u"<FatturaElettronicaBody><DatiGenerali><DatiGeneraliDocumento>"
               "<TipoDocumento>%1</TipoDocumento><Divisa>EUR</Divisa>%2<Numero>%3</Numero>"
               "<ImportoTotaleDocumento>%4</ImportoTotaleDocumento></DatiGeneraliDocumento>"
               "</DatiGenerali><DatiBeniServizi>%5</DatiBeniServizi>%6</FatturaElettronicaBody>"_s.arg(
                   tipo, dataXml, numero, totale, linee, pagamenti);
    }
    QString header() const {
        const QString cf =
            codiceFiscale.isEmpty() ? QString() : u"<CodiceFiscale>%1</CodiceFiscale>"_s.arg(codiceFiscale);
        return u"<FatturaElettronicaHeader><DatiTrasmissione><IdTrasmittente><IdPaese>IT</IdPaese>"
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
               "</CessionarioCommittente></FatturaElettronicaHeader>"_s.arg(partitaIva, cf, denominazione);
    }
    // The same invoice under another document number: another document for the store.
    QString xmlNumero(const QString& altro) const {
        Fattura f = *this;
        f.numero = altro;
        return f.xml();
    }
    QString xml(int corpi = 1) const {
        QString testo = u"<?xml version=\"1.0\" encoding=\"UTF-8\"?><p:FatturaElettronica versione=\"FPR12\" "
                        "xmlns:p=\"http://ivaservizi.agenziaentrate.gov.it/docs/xsd/fatture/v1.2\">"_s +
                        header();
        for (int k = 1; k <= corpi; ++k)
            testo += corpo(k);
        return testo + u"</p:FatturaElettronica>"_s;
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
            .valore(u"SELECT count(*) FROM "_s + tabella + (dove.isEmpty() ? QString() : u' ' + dove))
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
    const auto esiti = importa(scrivi(u"IT03981270683_00001.xml"_s, Fattura{}.xml()));
    ASSERT_EQ(esiti.size(), 1u);
    const EsitoImport& e = esiti[0];
    ASSERT_TRUE(e.ok) << e.errori.toStdString();
    EXPECT_EQ(e.errori, QString());

    const FatturaStore f = leggiFattura(db(), 2024, 1);
    ASSERT_TRUE(f.testata);
    const RigaStore& t = *f.testata;
    // MP05 without ABI/CAB: the supplier's bank.
    EXPECT_EQ(QStringList({t.testo(u"GruppoFor") + t.testo(u"MastroFor") + t.testo(u"ContoFor"),
                           t.testo(u"Causale"), t.testo(u"Pagamento"), t.testo(u"Banca")}),
              QStringList({"40101001", "FAA", "RB60FM", "BCA"}));

    ASSERT_EQ(f.dettaglio.size(), 1u);
    EXPECT_EQ(f.dettaglio[0].testo(u"Iva"), u"22"_s);
    // Ferramenta Adriatica puts the article first; no article: its own counter-account.
    EXPECT_EQ(f.dettaglio[0].testo(u"GruppoCPartita") + f.dettaglio[0].testo(u"ContoCPartita"), u"601001"_s);
    ASSERT_EQ(f.iva.size(), 1u);
    EXPECT_EQ(f.iva[0].testo(u"Iva"), u"22"_s);
}

// ---- Files refused as a whole -----------------------------------------------------------------

TEST_F(ImportDriver, shouldRefuseWithoutStoringAnythingWhenTheFileIsNotAnInvoice) {
    const struct {
        const char* nome;
        QString xml;
        QString errori;
    } casi[] = {
        {"ricevuta.xml", u"<RicevutaConsegna><IdentificativoSdI>1</IdentificativoSdI></RicevutaConsegna>"_s,
         u"\r\nFile: ricevuta.xml File non di tipo FatturaElettronica"_s},
        {"senzacorpo.xml", u"<FatturaElettronica>"_s + Fattura{}.header() + u"</FatturaElettronica>"_s,
         u"\r\nFile: senzacorpo.xml File non di tipo FatturaElettronica"_s},
    };
    for (const auto& c : casi) {
        SCOPED_TRACE(c.nome);
        const auto esiti = importa(scrivi(QLatin1String(c.nome), c.xml));
        ASSERT_EQ(esiti.size(), 1u);
        EXPECT_FALSE(esiti[0].ok);
        EXPECT_EQ(esiti[0].errori, c.errori);
    }
    EXPECT_EQ(righeStore(), std::vector<qint64>(5, 0));

    const auto rotto = importa(scrivi(u"rotto.xml"_s, u"<FatturaElettronica><a>"_s));
    EXPECT_FALSE(rotto[0].ok);
    EXPECT_TRUE(rotto[0].errori.startsWith(u"\r\nFile: rotto.xml XML non valido: "_s))
        << rotto[0].errori.toStdString();
    EXPECT_EQ(importa(cartella.filePath(u"nessuno.xml"_s))[0].errori, u"\r\nnessuno.xml - inesistente"_s);
}

// The next number of the invoice's year follows the highest stored in that year, whatever the
// order the numbers were written in and whatever the other years hold.
TEST_F(ImportDriver, shouldNumberAfterTheHighestInvoiceOfTheYear) {
    const struct {
        const char* giaPresenti; // headers stored before the import, "anno/numero"
        qint32 atteso;
    } passi[] = {
        {"", 1},
        {"2024/7 2024/3 2023/40", 8},
        {"2025/99", 9},
        {"2024/20 2024/12", 21},
    };
    int file = 0;
    for (const auto& p : passi) {
        for (const QString& chiave : QString::fromLatin1(p.giaPresenti).split(u' ', Qt::SkipEmptyParts))
            db().EseguiSql(u"INSERT INTO FatXmlTest (XmlAnno, XmlNumRif, NomeFile, Stampato, Contabilizzato) "
                           "VALUES (%1, %2, 'presente_%1_%2.xml', 'N', 'N')"_s.arg(
                               chiave.section(u'/', 0, 0), chiave.section(u'/', 1, 1)));
        Fattura f;
        f.numero = u"N%1"_s.arg(++file);
        const auto esiti = importa(scrivi(u"nuova%1.xml"_s.arg(file), f.xml()));
        ASSERT_EQ(esiti.size(), 1u);
        ASSERT_TRUE(esiti[0].ok) << esiti[0].errori.toStdString();
        EXPECT_EQ(esiti[0].anno, 2024);
        EXPECT_EQ(esiti[0].numRif, p.atteso) << p.giaPresenti;
    }
    EXPECT_EQ(conta(u"FatXmlTest"_s, u"WHERE XmlAnno = 2024"_s), 4 + 4);
}

// ---- Duplicates -----------------------------------------------------------------------------------

TEST_F(ImportDriver, shouldReplaceAnUnpostedInvoiceKeepingItsNumberButNeverAPostedOne) {
    const auto numero = [](const char* n) {
        Fattura f;
        f.numero = QLatin1String(n);
        return f;
    };
    ASSERT_TRUE(importa(scrivi(u"altra.xml"_s, numero("1").xml()))[0].ok);
    const QString file = scrivi(u"rifatta.xml"_s, Fattura{}.xml());
    ASSERT_EQ(importa(file)[0].numRif, 2);
    ASSERT_TRUE(importa(scrivi(u"dopo.xml"_s, numero("3").xml()))[0].ok);

    // The same supplier's same document, corrected: replaced.
    Fattura nuova;
    nuova.linee = u"<DettaglioLinee><NumeroLinea>1</NumeroLinea><Descrizione>A</Descrizione>"
                  "<PrezzoUnitario>10</PrezzoUnitario><PrezzoTotale>10</PrezzoTotale>"
                  "<AliquotaIVA>22.00</AliquotaIVA></DettaglioLinee>"
                  "<DettaglioLinee><NumeroLinea>2</NumeroLinea><Descrizione>B</Descrizione>"
                  "<PrezzoUnitario>20</PrezzoUnitario><PrezzoTotale>20</PrezzoTotale>"
                  "<AliquotaIVA>22.00</AliquotaIVA></DettaglioLinee>"_s;
    scrivi(u"rifatta.xml"_s, nuova.xml());
    const OpzioniImport sovrascrivi{.sovrascrivi = true};
    const auto esiti = importa(file, sovrascrivi);
    ASSERT_TRUE(esiti[0].ok) << esiti[0].errori.toStdString();
    EXPECT_EQ(esiti[0].numRif, 2);
    const FatturaStore f = leggiFattura(db(), 2024, 2);
    ASSERT_EQ(f.dettaglio.size(), 2u);
    EXPECT_EQ(f.dettaglio[1].testo(u"Descrizione"), u"B"_s);
    EXPECT_TRUE(f.iva.empty());
    EXPECT_EQ(conta(u"FatXmlTest"_s), 3);

    // Once posted it is never replaced.
    db().EseguiSql(u"UPDATE FatXmlTest SET Contabilizzato = 'S' WHERE XmlNumRif = 2"_s);
    const auto prima = righeStore();
    EXPECT_EQ(importa(file, sovrascrivi)[0].errori, u"\r\nFile rifatta.xml già contabilizzato"_s);
    EXPECT_EQ(righeStore(), prima);
}

TEST_F(ImportDriver, shouldTellApartFilesAndHubIdentifiersAlreadyStored) {
    const OpzioniImport sovrascrivi{.sovrascrivi = true};
    ASSERT_TRUE(importa(scrivi(u"uno.xml"_s, Fattura{}.xml()), {}, {u"H1"_s, {}, {}})[0].ok);
    Fattura altra;
    altra.numero = u"124/A"_s;
    ASSERT_TRUE(importa(scrivi(u"due.xml"_s, altra.xml()), {}, {u"H2"_s, {}, {}})[0].ok);
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
        const auto esiti = importa(scrivi(QLatin1String(c.file), Fattura{}.xml()),
                                   {.sovrascrivi = c.sovrascrivi}, {QLatin1String(c.hub), {}, {}});
        EXPECT_FALSE(esiti[0].ok);
        EXPECT_EQ(esiti[0].errori, QString::fromUtf8(c.errori));
        EXPECT_EQ(righeStore(), prima);
    }
    // Same file and same Hub identifier: replaced.
    const auto esiti = importa(scrivi(u"uno.xml"_s, Fattura{}.xml()), sovrascrivi,
                               {u"H1"_s, u"SDI77"_s, QDate(2024, 3, 13)});
    ASSERT_TRUE(esiti[0].ok) << esiti[0].errori.toStdString();
    EXPECT_EQ(esiti[0].numRif, 1);
    const FatturaStore f = leggiFattura(db(), 2024, 1);
    EXPECT_EQ(f.testata->testo(u"identificativoSdi"), u"SDI77"_s);
    EXPECT_EQ(f.testata->data(u"DataRicSdi"), QDate(2024, 3, 13));
}

// The same supplier's same document under another file name is the same invoice: loading it
// again would post it twice. Overwriting replaces a file by its own new copy, nothing else.
TEST_F(ImportDriver, shouldRefuseTheSameDocumentUnderAnotherNameAndNeverReplaceAnotherSuppliersInvoice) {
    ASSERT_TRUE(importa(scrivi(u"originale.xml"_s, Fattura{}.xml()))[0].ok);
    const auto prima = righeStore();
    // Blanks around the VAT number and the number do not make it another document.
    Fattura copia;
    copia.partitaIva = u" 03981270683   "_s;
    copia.numero = u" 123/A "_s;
    for (const bool sovrascrivi : {false, true}) {
        SCOPED_TRACE(sovrascrivi ? "sovrascrivi" : "senza sovrascrivere");
        const auto esiti = importa(scrivi(u"copia.xml"_s, copia.xml()), {.sovrascrivi = sovrascrivi});
        ASSERT_EQ(esiti.size(), 1u);
        EXPECT_FALSE(esiti[0].ok);
        EXPECT_EQ(esiti[0].errori.toStdString(),
                  "\r\nFile copia.xml: fattura n. 123/A del 12/03/2024 già caricata "
                  "con il file originale.xml (2024/1)");
        EXPECT_EQ(righeStore(), prima);
    }
    // Another document of the same supplier, or the same number from another supplier or on
    // another day, is a new invoice.
    Fattura altroGiorno;
    altroGiorno.data = u"2024-03-13"_s;
    Fattura altroFornitore;
    altroFornitore.partitaIva = u"09876543210"_s;
    EXPECT_TRUE(importa(scrivi(u"giorno.xml"_s, altroGiorno.xml()))[0].ok);
    EXPECT_TRUE(importa(scrivi(u"fornitore.xml"_s, altroFornitore.xml()))[0].ok);
    EXPECT_TRUE(importa(scrivi(u"numero.xml"_s, Fattura{}.xmlNumero(u"124/A"_s)))[0].ok);
    // A number is compared as written: "_" and "%" are no wildcards, and case counts.
    EXPECT_TRUE(importa(scrivi(u"jolly.xml"_s, Fattura{}.xmlNumero(u"7_1%"_s)))[0].ok);
    for (const char16_t* altro : {u"7X1Y", u"7_1", u"123/a"})
        EXPECT_TRUE(importa(scrivi(QString::fromUtf16(altro).remove(u'/') + u".xml"_s,
                                   Fattura{}.xmlNumero(QString::fromUtf16(altro))))[0]
                        .ok)
            << QString::fromUtf16(altro).toStdString();
    const auto jolly = importa(scrivi(u"jolly2.xml"_s, Fattura{}.xmlNumero(u"7_1%"_s)));
    EXPECT_FALSE(jolly[0].ok);
    EXPECT_TRUE(jolly[0].errori.contains(u"già caricata con il file jolly.xml"_s))
        << jolly[0].errori.toStdString();

    // A file named as a stored invoice of another supplier never replaces it.
    const auto dopo = righeStore();
    const auto esiti =
        importa(scrivi(u"fornitore.xml"_s, Fattura{}.xmlNumero(u"999"_s)), {.sovrascrivi = true});
    EXPECT_FALSE(esiti[0].ok);
    EXPECT_EQ(esiti[0].errori.toStdString(),
              "\r\nFile fornitore.xml già caricato con un'altra fattura (P.Iva "
              "09876543210 n. 123/A del 12/03/2024): non sostituita");
    EXPECT_EQ(righeStore(), dopo);
    EXPECT_EQ(
        db().valore(u"SELECT CP_DA_IdFiscaleIVA_IdCodice FROM FatXmlTest WHERE NomeFile = 'fornitore.xml'"_s)
            .toString(),
        u"09876543210"_s);
}

TEST_F(ImportDriver, shouldReadIdentifiersWithoutBlanksPaymentKindsFromTheFileAndTheFirstDiscount) {
    Fattura f;
    f.partitaIva = u"03981270683         "_s;
    f.linee = u"<DettaglioLinee><NumeroLinea>1</NumeroLinea><CodiceArticolo><CodiceTipo> EAN </CodiceTipo>"
              "<CodiceValore>  800123  </CodiceValore></CodiceArticolo><Descrizione>Viti</Descrizione>"
              "<PrezzoUnitario>100.00</PrezzoUnitario>"
              "<ScontoMaggiorazione><Tipo>SC</Tipo><Percentuale>10.00</Percentuale><Importo>10.00</Importo>"
              "</ScontoMaggiorazione><ScontoMaggiorazione><Tipo>MG</Tipo><Percentuale>5.00</Percentuale>"
              "<Importo>4.50</Importo></ScontoMaggiorazione>"
              "<PrezzoTotale>85.50</PrezzoTotale><AliquotaIVA>22.00</AliquotaIVA></DettaglioLinee>"_s;
    // Instalments, while the supplier's own terms are a payment in full.
    f.pagamenti.replace(u"TP02"_s, u"TP01"_s);
    const auto esiti = importa(scrivi(u"spazi.xml"_s, f.xml()));
    ASSERT_TRUE(esiti[0].ok) << esiti[0].errori.toStdString();
    EXPECT_EQ(esiti[0].partitaIva, u"03981270683"_s);
    const FatturaStore letta = leggiFattura(db(), 2024, esiti[0].numRif);
    const RigaStore& t = *letta.testata;
    EXPECT_EQ(t.testo(u"CP_DA_IdFiscaleIVA_IdCodice"), u"03981270683"_s);
    EXPECT_EQ(t.testo(u"GruppoFor") + u'-' + t.testo(u"MastroFor") + u'-' + t.testo(u"ContoFor"),
              u"40-10-1001"_s);
    // The sample files padded the same way (the second one's fiscal code too) find theirs.
    for (const auto& [file, conto] : {std::pair{"IT04216780165_00412.xml", "40-10-1007"},
                                      std::pair{"IT03569210234_00027.xml", "40-10-1005"}}) {
        const auto campione = importa(prova::fileFixture(u"fatture/tesel/"_s + QLatin1String(file)));
        ASSERT_TRUE(campione[0].ok) << campione[0].errori.toStdString();
        const FatturaStore memorizzata = leggiFattura(db(), campione[0].anno, campione[0].numRif);
        ASSERT_TRUE(memorizzata.testata);
        const RigaStore& c = *memorizzata.testata;
        EXPECT_EQ((c.testo(u"GruppoFor") + u'-' + c.testo(u"MastroFor") + u'-' + c.testo(u"ContoFor") + u'|' +
                   c.testo(u"CP_DA_CodiceFiscale"))
                      .toStdString(),
                  std::string(conto) + '|' + c.testo(u"CP_DA_CodiceFiscale").trimmed().toStdString());
    }
    EXPECT_TRUE(ui.mostrati.isEmpty()) << "nobody asked to choose the supplier";
    const RigaStore& riga = letta.dettaglio[0];
    EXPECT_EQ(riga.testo(u"CA_CodiceTipo") + u'|' + riga.testo(u"CA_CodiceValore"), u"EAN|800123"_s);
    EXPECT_EQ(riga.testo(u"SM_Tipo"), u"SC"_s);
    EXPECT_EQ(riga.valuta(u"SM_Importo"), Currency::daUnita(10));
    EXPECT_EQ(riga.testo(u"SM_Percentuale"), u"10+5"_s);
    ASSERT_EQ(letta.pagamenti.size(), 1u);
    EXPECT_EQ(letta.pagamenti[0].testo(u"AFETipPag"), u"TP01"_s);
    const QString atteso =
        db().valore(u"SELECT PagTipo FROM PagTipi WHERE FETipPag = 'MP05' AND AFETipPag = 'TP01'"_s)
            .toString();
    ASSERT_FALSE(atteso.isEmpty());
    EXPECT_EQ(letta.pagamenti[0].testo(u"PagTipo"), atteso);

    // The sender's own payment kind comes first.
    Fattura g = f;
    g.numero = u"124/A"_s;
    g.linee.replace(u"<PrezzoTotale>"_s, u"<AltriDatiGestionali><TipoDato>ASWTIPOPAG</TipoDato>"
                                         "<RiferimentoTesto>TP03</RiferimentoTesto></AltriDatiGestionali>"
                                         "<PrezzoTotale>"_s);
    const auto altra = importa(scrivi(u"anticipo.xml"_s, g.xml()));
    ASSERT_TRUE(altra[0].ok) << altra[0].errori.toStdString();
    EXPECT_EQ(leggiFattura(db(), 2024, altra[0].numRif).pagamenti[0].testo(u"AFETipPag"), u"TP03"_s);

    // Neither: the supplier's usual payment kind.
    Fattura h = f;
    h.numero = u"125/A"_s;
    h.pagamenti.replace(u"<CondizioniPagamento>TP01</CondizioniPagamento>"_s,
                        u"<CondizioniPagamento></CondizioniPagamento>"_s);
    const auto senza = importa(scrivi(u"senzacondizioni.xml"_s, h.xml()));
    ASSERT_TRUE(senza[0].ok) << senza[0].errori.toStdString();
    const QString delFornitore =
        db().valore(u"SELECT PagTipi.AFETipPag FROM PianoConti JOIN Pagamenti ON PianoConti.Pagamento = "
                    "Pagamenti.Pagamento JOIN PagTipi ON Pagamenti.PagTipo = PagTipi.PagTipo WHERE "
                    "PianoConti.Gruppo = '40' AND PianoConti.Mastro = '10' AND PianoConti.Conto = '1001'"_s)
            .toString();
    ASSERT_EQ(delFornitore, u"TP02"_s);
    EXPECT_EQ(leggiFattura(db(), 2024, senza[0].numRif).pagamenti[0].testo(u"AFETipPag"), delFornitore);
}

// The invoice is stored all the same; the report says what the user must complete or check.
TEST_F(ImportDriver, shouldReportWhatTheImportCouldNotSettleForEachInvoice) {
    // The company's own invoice from a known supplier: nothing to report.
    parametri->scrivi(u"Ditta.PartIva"_s, u"01234567890"_s);
    const auto buona = importa(scrivi(u"buona.xml"_s, Fattura{}.xml()));
    ASSERT_TRUE(buona[0].ok) << buona[0].errori.toStdString();
    EXPECT_EQ(buona[0].avvisi.join(u'\n').toStdString(), "");

    // Another buyer, an unknown supplier, a rate the VAT table lacks, lines that disagree with
    // the summary, a document kind without causal.
    Fattura f;
    f.partitaIva = u"05555555555"_s;
    f.tipo = u"TD99"_s;
    f.linee = u"<DettaglioLinee><NumeroLinea>1</NumeroLinea><Descrizione>Viti</Descrizione>"
              "<PrezzoUnitario>100.00</PrezzoUnitario><PrezzoTotale>100.00</PrezzoTotale>"
              "<AliquotaIVA>17.00</AliquotaIVA></DettaglioLinee>"
              "<DatiRiepilogo><AliquotaIVA>17.00</AliquotaIVA><ImponibileImporto>110.00</ImponibileImporto>"
              "<Imposta>18.70</Imposta></DatiRiepilogo>"_s;
    QString xml = f.xml();
    xml.replace(u"<IdCodice>01234567890</IdCodice></IdFiscaleIVA><Anagrafica><Denominazione>Demo Srl"_s,
                u"<IdCodice>09999999999</IdCodice></IdFiscaleIVA><Anagrafica><Denominazione>Altra Srl"_s);
    const auto esiti = importa(scrivi(u"dubbia.xml"_s, xml));
    ASSERT_TRUE(esiti[0].ok) << esiti[0].errori.toStdString();
    EXPECT_EQ(esiti[0].avvisi.join(u'\n').toStdString(),
              "Riga 1: codice IVA non trovato (aliquota 17,00, natura )\n"
              "Cessionario non corrispondente alla ditta: P.Iva 09999999999\n"
              "Fornitore non trovato in archivio: P.Iva 05555555555\n"
              "Causale contabile non trovata per il tipo documento TD99\n"
              "Totale righe aliquota 17,00% (100,00) diverso dal riepilogo IVA (110,00)\n"
              "Totale documento 122,00 diverso da imponibile più IVA del riepilogo (128,70)");
    // Thousands of such lines would bury the report: the first twenty are named, the rest counted.
    Fattura molte = f;
    molte.numero = u"M-1"_s;
    molte.linee.clear();
    for (int k = 1; k <= 25; ++k)
        molte.linee += u"<DettaglioLinee><NumeroLinea>%1</NumeroLinea><Descrizione>Viti</Descrizione>"
                       "<PrezzoUnitario>1.00</PrezzoUnitario><PrezzoTotale>1.00</PrezzoTotale>"
                       "<AliquotaIVA>17.00</AliquotaIVA></DettaglioLinee>"_s.arg(k);
    const auto tante = importa(scrivi(u"molte.xml"_s, molte.xml()));
    ASSERT_TRUE(tante[0].ok) << tante[0].errori.toStdString();
    EXPECT_EQ(tante[0].avvisi.filter(u"codice IVA non trovato"_s).size(), 20);
    EXPECT_TRUE(tante[0].avvisi.contains(u"Altre 5 righe senza codice IVA o contropartita"_s))
        << tante[0].avvisi.join(u'\n').toStdString();

    // No purchase account in the company's parameters either: the line's counter-account stays empty.
    for (const char* p : {"CauCon.GruppoAcq", "CauCon.MastroAcq", "CauCon.ContoAcq"})
        parametri->scrivi(QLatin1String(p), {});
    Fattura senzaConto = f;
    senzaConto.numero = u"SC-1"_s;
    const auto scoperta = importa(scrivi(u"senzaconto.xml"_s, senzaConto.xml()));
    ASSERT_TRUE(scoperta[0].ok) << scoperta[0].errori.toStdString();
    EXPECT_TRUE(scoperta[0].avvisi.contains(u"Riga 1: contropartita non trovata"_s))
        << scoperta[0].avvisi.join(u'\n').toStdString();

    RapportoImport r;
    r.aggiungi(esiti);
    EXPECT_TRUE(r.avvisi().startsWith(u"\r\nFile: dubbia.xml\r\n  Riga 1: codice IVA non trovato"_s))
        << r.avvisi().toStdString();
    EXPECT_EQ(r.errori(), QString());
}

// Taxable plus VAT of the summary must make the document total, allowing what the rules let
// the total hold besides; the lines are compared with the summary after rounding to the cent.
TEST_F(ImportDriver, shouldWarnOnlyWhenTheDocumentTotalIsNotExplainedByTheSummary) {
    parametri->scrivi(u"Ditta.PartIva"_s, u"01234567890"_s);
    const auto riga = [](const char* totale, const char* altro = "") {
        return u"<DettaglioLinee><NumeroLinea>1</NumeroLinea><Descrizione>Voce</Descrizione><PrezzoTotale>%1"
               "</PrezzoTotale><AliquotaIVA>22.00</AliquotaIVA>%2</DettaglioLinee>"_s.arg(
                   QLatin1String(totale), QLatin1String(altro));
    };
    const auto riepilogo = [](const char* imponibile, const char* imposta) {
        return u"<DatiRiepilogo><AliquotaIVA>22.00</AliquotaIVA><ImponibileImporto>%1</ImponibileImporto>"
               "<Imposta>%2</Imposta></DatiRiepilogo>"_s.arg(QLatin1String(imponibile),
                                                             QLatin1String(imposta));
    };
    const auto cassa = [](const char* aliquota, const char* natura) {
        return u"<DatiCassaPrevidenziale><TipoCassa>TC04</TipoCassa><ImportoContributoCassa>4.00"
               "</ImportoContributoCassa><AliquotaIVA>%1</AliquotaIVA>%2</DatiCassaPrevidenziale>"_s.arg(
                   QLatin1String(aliquota), QLatin1String(natura));
    };
    const QString bollo =
        u"<DatiBollo><BolloVirtuale>SI</BolloVirtuale><ImportoBollo>2.00</ImportoBollo></DatiBollo>"_s;
    const QString ritenuta = u"<DatiRitenuta><TipoRitenuta>RT01</TipoRitenuta><ImportoRitenuta>20.00"
                             "</ImportoRitenuta><AliquotaRitenuta>20.00</AliquotaRitenuta></DatiRitenuta>"_s;
    const QString sconto =
        u"<ScontoMaggiorazione><Tipo>SC</Tipo><Importo>2.00</Importo></ScontoMaggiorazione>"_s;
    const QString terzi = riga("33.3333").repeated(3) + riepilogo("100.00", "22.00");
    const QString reso = riga("-100.00") + riepilogo("-100.00", "-22.00");
    const QString parcella = riga("100.00") + riepilogo("104.00", "22.88");
    const QString diverso = u"Totale documento %1 diverso da imponibile più IVA del riepilogo (122,00)"_s;
    const struct {
        const char* nome;
        QString totale, aggiunte, linee; // aggiunte: inside DatiGeneraliDocumento; linee: empty for the usual
        bool notaInvertita;
        QString avviso; // empty: none about totals
    } casi[] = {
        // clang-format off
        {"uguale", u"122.00"_s, {}, {}, false, {}},
        {"diverso", u"288.00"_s, {}, {}, false, diverso.arg(u"288,00")},
        {"conBollo", u"124.00"_s, bollo, {}, false, {}},
        {"bolloNonDichiarato", u"124.00"_s, {}, {}, false, diverso.arg(u"124,00")},
        {"conArrotondamento", u"122.01"_s, u"<Arrotondamento>0.01</Arrotondamento>"_s, {}, false, {}},
        {"cassaFuoriRiepilogo", u"126.00"_s, cassa("0.00", "<Natura>N4</Natura>"), {}, false,
         u"Totale righe aliquota 0,00% natura N4 (4,00) diverso dal riepilogo IVA (0,00)"_s},
        {"cassaNelRiepilogo", u"126.88"_s, cassa("22.00", ""), parcella, false, {}},
        {"senzaTotale", {}, {}, {}, false, {}},
        {"ritenutaTolta", u"102.00"_s, ritenuta, {}, false, {}},
        {"scontoDelDocumentoEBollo", u"122.00"_s, bollo + sconto, {}, false, {}},
        {"righeAlDecimillesimo", u"122.00"_s, {}, terzi, false, {}},
        {"notaDiCreditoInvertita", u"-122.00"_s, {}, reso, true, {}},
        // clang-format on
    };
    int n = 0;
    for (const auto& c : casi) {
        SCOPED_TRACE(c.nome);
        parametri->scrivi(u"Tesel.InvNotaCredNeg"_s, c.notaInvertita ? u"S"_s : u"N"_s);
        Fattura f;
        f.numero = u"T-%1"_s.arg(++n);
        f.tipo = c.notaInvertita ? u"TD04"_s : u"TD01"_s;
        f.totale = c.totale;
        if (!c.linee.isEmpty())
            f.linee = c.linee;
        QString xml = f.xml();
        xml.replace(u"<ImportoTotaleDocumento>"_s, c.aggiunte + u"<ImportoTotaleDocumento>"_s);
        if (c.totale.isEmpty())
            xml.remove(u"<ImportoTotaleDocumento></ImportoTotaleDocumento>"_s);
        const auto esiti = importa(scrivi(u"totale%1.xml"_s.arg(n), xml));
        ASSERT_TRUE(esiti[0].ok) << esiti[0].errori.toStdString();
        EXPECT_EQ(esiti[0].avvisi.filter(u"Totale "_s).join(u'\n').toStdString(), c.avviso.toStdString());
    }
}

// Free goods marked for the whole invoice, a pension-fund contribution line, and the exemption
// kind a nature implies.
TEST_F(ImportDriver, shouldApplyFreeGoodsPensionFundAndExemptionKindToTheLines) {
    // A code of the same nature with no exemption kind and a higher priority: found first unless
    // the nature's only exemption kind narrows the search.
    db().EseguiSql(u"INSERT INTO TabIva (Iva, Descrizione, Aliquota, TipoIva, PercNonDetr, FENatura, "
                   "FA_Iva_Prior) VALUES ('NI8X', 'Non imponibile generico', 0, '2', 0, 'N3.1', 50)"_s);
    const auto adg = [](const char* tipo, const char* testo, const char* numero = nullptr) {
        return u"<AltriDatiGestionali><TipoDato>%1</TipoDato><RiferimentoTesto>%2</RiferimentoTesto>%3"
               "</AltriDatiGestionali>"_s.arg(
                   QLatin1String(tipo), QLatin1String(testo),
                   numero ? u"<RiferimentoNumero>%1</RiferimentoNumero>"_s.arg(QLatin1String(numero))
                          : QString());
    };
    const auto linea = [](int n, const QString& aliquota, const QString& altro) {
        return u"<DettaglioLinee><NumeroLinea>%1</NumeroLinea><Descrizione>Riga %1</Descrizione>"
               "<PrezzoUnitario>10.00</PrezzoUnitario><PrezzoTotale>10.00</PrezzoTotale>"
               "<AliquotaIVA>%2</AliquotaIVA>%3</DettaglioLinee>"_s.arg(n)
                   .arg(aliquota, altro);
    };
    const struct {
        QString aliquota, altro;
        const char* atteso; // Omaggio | counter-account | Iva
    } righe[] = {
        {u"22.00"_s, {}, "N|60-10-1001|22"},
        {u"22.00"_s, adg("OMAGGIO", "Con rivalsa di IVA"), "I|60-10-1001|22"},
        {u"22.00"_s, {}, "I|60-10-1001|22"},
        {u"22.00"_s, adg("ASWTRIGA", "#OS#"), "S|60-10-1001|22"},
        {u"22.00"_s, adg("CASSA-PREV", "Contributo Enasarco con rivalsa IVA", "8.50"), "N|40-30-1002|22"},
        {u"22.00"_s, adg("cassaprev", "senza rivalsa di iva"), "N|60-10-1001|22"},
        {u"0.00"_s, u"<Natura>N3.1</Natura>"_s, "I|60-10-1001|NI8"},
    };
    Fattura f;
    f.linee.clear();
    int n = 0;
    for (const auto& r : righe)
        f.linee += linea(++n, r.aliquota, r.altro);
    const auto esiti = importa(scrivi(u"righe.xml"_s, f.xml()));
    ASSERT_TRUE(esiti[0].ok) << esiti[0].errori.toStdString();
    const FatturaStore letta = leggiFattura(db(), 2024, esiti[0].numRif);
    ASSERT_EQ(letta.dettaglio.size(), std::size(righe));
    for (size_t k = 0; k < std::size(righe); ++k) {
        const RigaStore& r = letta.dettaglio[k];
        EXPECT_EQ((r.testo(u"Omaggio") + u'|' + r.testo(u"GruppoCPartita") + u'-' +
                   r.testo(u"MastroCPartita") + u'-' + r.testo(u"ContoCPartita") + u'|' + r.testo(u"Iva"))
                      .toStdString(),
                  righe[k].atteso)
            << "riga " << k + 1;
    }
    const RigaStore& t = *letta.testata;
    EXPECT_EQ(t.testo(u"GruppoCassaPrev") + u'-' + t.testo(u"MastroCassaPrev") + u'-' +
                  t.testo(u"ContoCassaPrev"),
              u"40-30-1002"_s);
    EXPECT_TRUE(
        esiti[0].avvisi.contains(u"Riga 6: contributo previdenziale senza rivalsa IVA con aliquota 22,00%"_s))
        << esiti[0].avvisi.join(u'\n').toStdString();
}

// ---- Several bodies, one transaction ----------------------------------------------------------------

TEST_F(ImportDriver, shouldImportEveryBodyAsItsOwnInvoice) {
    const auto esiti = importa(scrivi(u"lotto.xml"_s, Fattura{}.xml(3)), {}, {u"HUB5"_s, {}, {}});
    ASSERT_EQ(esiti.size(), 3u);
    for (int k = 0; k < 3; ++k) {
        EXPECT_TRUE(esiti[k].ok);
        EXPECT_EQ(esiti[k].corpo, k + 1);
        EXPECT_EQ(esiti[k].numRif, k + 1);
    }
    EXPECT_EQ(db().valore(u"SELECT NomeFile FROM FatXmlTest WHERE XmlNumRif = 3"_s).toString(),
              u"lotto.xml/3"_s);
    EXPECT_EQ(db().valore(u"SELECT FEIDHub FROM FatXmlTest WHERE XmlNumRif = 2"_s).toString(), u"HUB5/2"_s);
    EXPECT_EQ(fileECorpo(u"lotto.xml/3"_s), std::make_pair(u"lotto.xml"_s, 3));
    EXPECT_EQ(fileECorpo(u"lotto.xml"_s), std::make_pair(u"lotto.xml"_s, 1));

    // Again: every body is found by its own name.
    const auto ancora = importa(cartella.filePath(u"lotto.xml"_s), {}, {u"HUB5"_s, {}, {}});
    ASSERT_EQ(ancora.size(), 3u);
    EXPECT_EQ(ancora[2].errori.left(40), u"\r\nFile lotto.xml/3 già caricato"_s);
}

TEST_F(ImportDriver, shouldStoreNothingOfAFileWhoseSecondBodyFailsAndKeepTheReplacedInvoice) {
    Fattura buona;
    const QString file = scrivi(u"misto.xml"_s, buona.xml());
    ASSERT_TRUE(importa(file)[0].ok);
    const auto prima = righeStore();

    const Fattura cattiva{.data = QString()}, sostituta{.linee = QString()};
    scrivi(u"misto.xml"_s, u"<FatturaElettronica>"_s + buona.header() + sostituta.corpo() + cattiva.corpo() +
                               u"</FatturaElettronica>"_s);
    const OpzioniImport sovrascrivi{.sovrascrivi = true};
    const auto esiti = importa(file, sovrascrivi);
    ASSERT_EQ(esiti.size(), 2u);
    EXPECT_FALSE(esiti[0].ok);
    EXPECT_EQ(esiti[0].errori, u"\r\nFile: misto.xml non caricato: un'altra fattura dello stesso file "
                               "ha dato errore"_s);
    EXPECT_EQ(esiti[1].errori, u"\r\nFile: misto.xml/2 Manca la Data Fattura"_s);
    EXPECT_EQ(righeStore(), prima);
    EXPECT_EQ(leggiFattura(db(), 2024, 1).dettaglio.size(), 1u);
}

// A batch as the import dialog runs it: every file reported once, in order, and only once
// what it stored can be seen from another connection; a file that fails undoes only itself.
TEST_F(ImportDriver, shouldReportEachFileOfABatchInOrderOnceItsRowsAreCommitted) {
    const Fattura buona, senzaData{.data = QString()};
    const QStringList file{
        scrivi(u"prima.xml"_s, buona.xml()),
        scrivi(u"mista.xml"_s, u"<FatturaElettronica>"_s + buona.header() + buona.corpo(7) +
                                   senzaData.corpo() + u"</FatturaElettronica>"_s),
        scrivi(u"copia.xml"_s, buona.xml()),
        cartella.filePath(u"mancante.xml"_s),
        scrivi(u"seconda.xml"_s, buona.xmlNumero(u"124/A"_s)),
        scrivi(u"nonraggiunta.xml"_s, buona.xmlNumero(u"125/A"_s)),
    };
    const auto altra = altraConnessione();
    std::vector<qsizetype> chiesti, consegnati;
    std::vector<std::vector<EsitoImport>> esiti(file.size());
    ImportatoreFatture imp(db(), ui, *parametri, {});
    imp.importa(
        file, {},
        [&](qsizetype i, std::vector<EsitoImport> e) {
            consegnati.push_back(i);
            for (const EsitoImport& x : e) {
                if (!x.ok)
                    continue;
                const QString visto =
                    u"SELECT count(*) FROM FatXmlTest WHERE NomeFile = '"_s + x.nomeFile + u"'"_s;
                EXPECT_EQ(altra->valore(visto).toLongLong(), 1)
                    << x.nomeFile.toStdString() << " dato per caricato prima del commit";
            }
            esiti[static_cast<size_t>(i)] = std::move(e);
        },
        [&](qsizetype i) {
            chiesti.push_back(i);
            return i < 5; // the user stops the batch before the last file
        });

    EXPECT_EQ(chiesti, (std::vector<qsizetype>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(consegnati, (std::vector<qsizetype>{0, 1, 2, 3, 4}));
    std::vector<bool> ok;
    for (const auto& e : esiti)
        ok.push_back(!e.empty() &&
                     std::all_of(e.begin(), e.end(), [](const EsitoImport& x) { return x.ok; }));
    EXPECT_EQ(ok, (std::vector<bool>{true, false, false, false, true, false}));
    ASSERT_EQ(esiti[1].size(), 2u);
    EXPECT_EQ(esiti[1][1].errori, u"\r\nFile: mista.xml/2 Manca la Data Fattura"_s);
    EXPECT_TRUE(esiti[2][0].errori.contains(u"già caricata con il file prima.xml (2024/1)"_s))
        << esiti[2][0].errori.toStdString();
    EXPECT_EQ(esiti[3][0].errori, u"\r\nmancante.xml - inesistente"_s);
    EXPECT_EQ(esiti[4][0].numRif, 2);
    EXPECT_EQ(db().livelloTrans(), 0);
    EXPECT_EQ(altra->valore(u"SELECT count(*) FROM FatXmlTest"_s).toLongLong(), 2);
    EXPECT_EQ(altra->valore(u"SELECT count(*) FROM FatXmlDett"_s).toLongLong(), 2);
}

// A rule the database checks only at the commit refuses one file of a group: the group is
// rolled back whole, and its files are done again each on its own, so every other file is
// stored and nothing is reported stored that is not.
TEST_F(ImportDriver, shouldDoAGroupAgainFileByFileWhenItsCommitFails) {
    if (db().dialetto() != Dialetto::SQLite)
        GTEST_SKIP() << "Su un server ogni file ha la sua transazione";
    db().EseguiSql(u"PRAGMA foreign_keys = ON"_s);
    db().EseguiSql(u"CREATE TABLE ProvaPadre (Nome TEXT PRIMARY KEY)"_s);
    db().EseguiSql(u"CREATE TABLE ProvaFiglia (Nome TEXT REFERENCES ProvaPadre (Nome) "
                   "DEFERRABLE INITIALLY DEFERRED)"_s);
    db().EseguiSql(
        u"CREATE TRIGGER ProvaRifiuta AFTER INSERT ON FatXmlTest "
        "WHEN NEW.NomeFile = 'rifiutata.xml' BEGIN INSERT INTO ProvaFiglia VALUES ('nessuno'); END"_s);
    const Fattura f;
    const QStringList file{scrivi(u"a.xml"_s, f.xmlNumero(u"1"_s)),
                           scrivi(u"rifiutata.xml"_s, f.xmlNumero(u"2"_s)),
                           scrivi(u"b.xml"_s, f.xmlNumero(u"3"_s))};
    std::vector<std::vector<EsitoImport>> esiti;
    ImportatoreFatture imp(db(), ui, *parametri, {});
    imp.importa(file, {}, [&](qsizetype, std::vector<EsitoImport> e) { esiti.push_back(std::move(e)); });

    ASSERT_EQ(esiti.size(), 3u);
    EXPECT_TRUE(esiti[0][0].ok) << esiti[0][0].errori.toStdString();
    EXPECT_FALSE(esiti[1][0].ok);
    EXPECT_TRUE(esiti[1][0].errori.contains(u"FOREIGN KEY"_s)) << esiti[1][0].errori.toStdString();
    EXPECT_TRUE(esiti[2][0].ok) << esiti[2][0].errori.toStdString();
    EXPECT_EQ(conta(u"FatXmlTest"_s), 2);
    EXPECT_EQ(conta(u"FatXmlTest"_s, u"WHERE NomeFile = 'rifiutata.xml'"_s), 0);
    EXPECT_EQ(conta(u"FatXmlDett"_s), 2);
    EXPECT_EQ(db().livelloTrans(), 0);
}

// ---- Line rules --------------------------------------------------------------------------------------

TEST_F(ImportDriver, shouldInvertTheSignsOfANegativeCreditNoteWhenTheCompanyAsks) {
    Fattura nota{.tipo = u"TD04"_s, .totale = u"-122.00"_s};
    nota.linee.replace(u"<PrezzoTotale>100.00"_s, u"<PrezzoTotale>-100.00"_s);
    nota.linee.replace(u"<PrezzoUnitario>50.00"_s, u"<PrezzoUnitario>-50.00"_s);
    nota.linee.replace(u"<ImponibileImporto>100.00"_s, u"<ImponibileImporto>-100.00"_s);
    nota.linee.replace(u"<Imposta>22.00"_s, u"<Imposta>-22.00"_s);
    nota.pagamenti.replace(u"<ImportoPagamento>122.00"_s, u"<ImportoPagamento>-122.00"_s);

    ASSERT_TRUE(importa(scrivi(u"nc1.xml"_s, nota.xml()))[0].ok);
    parametri->scrivi(u"Tesel.InvNotaCredNeg"_s, u"S"_s);
    ASSERT_TRUE(importa(scrivi(u"nc2.xml"_s, nota.xmlNumero(u"NC2"_s)))[0].ok);

    const FatturaStore comeScritta = leggiFattura(db(), 2024, 1);
    EXPECT_EQ(comeScritta.testata->valuta(u"DGD_ImportoTotaleDocumento"), Currency::daUnita(-122));

    const FatturaStore invertita = leggiFattura(db(), 2024, 2);
    EXPECT_EQ(invertita.testata->valuta(u"DGD_ImportoTotaleDocumento"), Currency::daUnita(122));
    // The quantity carries the sign: quantity, unit price, line total, taxable, VAT, payment.
    const RigaStore &riga = invertita.dettaglio[0], &iva = invertita.iva[0];
    QStringList importi;
    for (const auto& v : {riga.valuta(u"Quantita"), riga.valuta(u"PrezzoUnitario"),
                          riga.valuta(u"PrezzoTotale"), iva.valuta(u"ImponibileImporto"),
                          iva.valuta(u"Imposta"), invertita.pagamenti[0].valuta(u"ImportoPagamento")})
        importi << (v ? v->testoXml() : u"-"_s);
    EXPECT_EQ(importi.join(u' '), u"-2.00 -50.00 100.00 100.00 22.00 122.00"_s);
    EXPECT_EQ(invertita.testata->testo(u"Causale"), u"NCA"_s);
}

TEST_F(ImportDriver, shouldUseTheVatCodesForcedByTheUserBeforeTheTable) {
    Fattura f;
    f.linee = u"<DettaglioLinee><NumeroLinea>1</NumeroLinea><Descrizione>Fuori campo</Descrizione>"
              "<PrezzoUnitario>10</PrezzoUnitario><PrezzoTotale>10</PrezzoTotale>"
              "<AliquotaIVA>0.00</AliquotaIVA><Natura>N2.2</Natura></DettaglioLinee>"
              "<DettaglioLinee><NumeroLinea>2</NumeroLinea><Descrizione>Auto</Descrizione>"
              "<PrezzoUnitario>100</PrezzoUnitario><PrezzoTotale>100</PrezzoTotale>"
              "<AliquotaIVA>22.00</AliquotaIVA></DettaglioLinee>"
              "<DatiRiepilogo><AliquotaIVA>0.00</AliquotaIVA><Natura>N2.2</Natura>"
              "<ImponibileImporto>10</ImponibileImporto><Imposta>0</Imposta></DatiRiepilogo>"
              "<DatiRiepilogo><AliquotaIVA>22.00</AliquotaIVA><ImponibileImporto>100"
              "</ImponibileImporto><Imposta>22</Imposta></DatiRiepilogo>"_s;
    ASSERT_TRUE(importa(scrivi(u"libera.xml"_s, f.xml()))[0].ok);

    const OpzioniImport forzate{.ivaPerNatura = {{u"N1"_s, u"E15"_s}, {u"N2.2"_s, u"NSM"_s}},
                                .ivaAltra = u"22I40"_s};
    ASSERT_TRUE(importa(scrivi(u"forzata.xml"_s, f.xmlNumero(u"F2"_s)), forzate)[0].ok);

    const FatturaStore libera = leggiFattura(db(), 2024, 1), forzata = leggiFattura(db(), 2024, 2);
    // Line codes and the summary's exemption type; without forcing, the highest priority of N2.2.
    const auto codici = [](const FatturaStore& f) {
        return f.dettaglio[0].testo(u"Iva") + u' ' + f.dettaglio[1].testo(u"Iva") + u' ' +
               f.iva[0].testo(u"AFEIvaEse");
    };
    EXPECT_EQ(codici(libera), u"NS 22 N2.2-01"_s);
    EXPECT_EQ(codici(forzata), u"NSM 22I40 N2.2-03"_s);
}

TEST_F(ImportDriver, shouldCreateAMissingSupplierOnlyWhenAsked) {
    const Fattura nuova{.partitaIva = u"09876543210"_s, .denominazione = u"Nuovi Arrivi Srl"_s};
    ASSERT_TRUE(importa(scrivi(u"n1.xml"_s, nuova.xml()))[0].ok);
    EXPECT_EQ(leggiFattura(db(), 2024, 1).testata->testo(u"ContoFor"), QString());

    const OpzioniImport crea{.creaFornitori = true, .gruppoFornitori = u"40"_s, .mastroFornitori = u"10"_s};
    ASSERT_TRUE(importa(scrivi(u"n2.xml"_s, nuova.xmlNumero(u"N2"_s)), crea)[0].ok);
    const RigaStore t = *leggiFattura(db(), 2024, 2).testata;
    EXPECT_EQ(t.testo(u"GruppoFor") + u'-' + t.testo(u"MastroFor") + u'-' + t.testo(u"ContoFor"),
              u"40-10-1013"_s);
    EXPECT_EQ(db().valore(u"SELECT Descrizione FROM PianoConti WHERE PartIva = '09876543210'"_s).toString(),
              u"Nuovi Arrivi Srl"_s);

    // A refused file takes its new supplier away with it.
    const Fattura altro{.partitaIva = u"05555555555"_s, .data = QString()};
    EXPECT_FALSE(importa(scrivi(u"n3.xml"_s, altro.xml()), crea)[0].ok);
    EXPECT_EQ(conta(u"PianoConti"_s, u"WHERE PartIva = '05555555555'"_s), 0);
}

TEST(RapportoImport, shouldWordTheDialogReportsAndNameTheFileOfEveryMessage) {
    RapportoImport r;
    // clang-format off
    EsitoImport ok{u"/x/a.xml"_s, 1, true, 2024, 7, u"03981270683"_s, u"1"_s,
                   u"a.xml"_s, u"\r\nTag Det_Quantita con valore di tipo valuta non valida"_s};
    EsitoImport ko{u"/x/b.xml"_s, 1, false, 0, 0, {}, {}, u"b.xml"_s,
                   u"\r\nFile b.xml già caricato"_s};
    // clang-format on
    ok.fornitore = u"Ferramenta  Adriatica Srl"_s;
    ok.dataDocumento = QDate(2024, 3, 12);
    ok.totale = Currency::daUnita(1220);
    // A second body without name or total, in the same file.
    EsitoImport secondo = ok;
    secondo.corpo = 2;
    secondo.numRif = 8;
    secondo.nomeFile = u"a.xml/2"_s;
    secondo.fornitore.clear();
    secondo.totale.reset();
    secondo.errori.clear();
    r.aggiungi({ok, secondo});
    EXPECT_EQ(r.conclusione(1), u"Caricamento completato"_s);
    r.aggiungi({ko});
    r.aggiungiInesistente(u"/x/c.xml"_s);
    EXPECT_EQ(r.caricate(),
              u"\r\n2024/7 - 03981270683 Ferramenta Adriatica Srl - n. 1 del 12/03/2024 - "
              "1.220,00 - a.xml"
              "\r\n2024/8 - 03981270683 - n. 1 del 12/03/2024 - totale non indicato - a.xml/2"_s);
    EXPECT_EQ(r.conclusione(3), u"1 di 3 file caricati"_s);
    EXPECT_EQ(r.conclusione(4), u"1 di 4 file caricati"_s) << "a file not reached is not loaded";
    EXPECT_EQ(r.errori(), u"\r\nFile: a.xml\r\nTag Det_Quantita con valore di tipo valuta non valida"
                          "\r\nFile b.xml già caricato\r\n/x/c.xml - inesistente"_s);
    EXPECT_EQ(r.fattureCaricate(), 2);
    EXPECT_EQ(r.fileConErrori(), 2);
}

// A file of many lines is written as it is read; what the header learns from its lines (the
// reverse-charge causal) must not be lost with the lines already written.
TEST_F(ImportDriver, shouldStoreEveryLineOfALongInvoiceAndStillSeeItsReverseChargeLine) {
    const QString rc = u"<DettaglioLinee><NumeroLinea>1</NumeroLinea><Descrizione>Rottami</Descrizione>"
                       "<PrezzoUnitario>10.00</PrezzoUnitario><PrezzoTotale>10.00</PrezzoTotale>"
                       "<AliquotaIVA>0.00</AliquotaIVA><Natura>N6.1</Natura></DettaglioLinee>"_s;
    // The summary names only the ordinary VAT: the reverse charge is known from the line alone.
    const QString riepilogo = u"<DatiRiepilogo><AliquotaIVA>22.00</AliquotaIVA>"
                              "<ImponibileImporto>1499.00</ImponibileImporto><Imposta>329.78</Imposta>"
                              "</DatiRiepilogo>"_s;
    Fattura corta;
    corta.numero = u"RC-1"_s;
    corta.linee = rc;
    Fattura lunga;
    lunga.numero = u"RC-2"_s;
    lunga.linee = rc;
    constexpr int Linee = 1500;
    for (int k = 2; k <= Linee; ++k)
        lunga.linee += u"<DettaglioLinee><NumeroLinea>%1</NumeroLinea><Descrizione>Viti</Descrizione>"
                       "<PrezzoUnitario>1.00</PrezzoUnitario><PrezzoTotale>1.00</PrezzoTotale>"
                       "<AliquotaIVA>22.00</AliquotaIVA></DettaglioLinee>"_s.arg(k);
    lunga.linee += riepilogo;
    const auto causale = [&](const std::vector<EsitoImport>& esiti) {
        EXPECT_EQ(esiti.size(), 1u);
        EXPECT_TRUE(!esiti.empty() && esiti[0].ok) << (esiti.empty() ? "" : esiti[0].errori.toStdString());
        return esiti.empty() ? QString()
                             : db().valore(u"SELECT Causale FROM FatXmlTest WHERE XmlNumRif = %1"_s.arg(
                                               esiti[0].numRif))
                                   .toString();
    };
    const QString attesa = causale(importa(scrivi(u"corta.xml"_s, corta.xml())));
    const QString ordinaria = causale(importa(scrivi(u"ordinaria.xml"_s, Fattura{}.xml())));
    ASSERT_NE(attesa, ordinaria) << "la causale di reverse charge deve differire da quella ordinaria";

    const auto esiti = importa(scrivi(u"lunga.xml"_s, lunga.xml()));
    EXPECT_EQ(causale(esiti).toStdString(), attesa.toStdString());
    const QString dove = u"WHERE XmlNumRif = %1"_s.arg(esiti[0].numRif);
    EXPECT_EQ(conta(u"FatXmlDett"_s, dove), Linee);
    EXPECT_EQ(db().valore(u"SELECT count(DISTINCT XmlRigDet) FROM FatXmlDett "_s + dove).toLongLong(), Linee);
    EXPECT_EQ(db().valore(u"SELECT max(XmlRigDet) FROM FatXmlDett "_s + dove).toLongLong(), Linee);
}

} // namespace

namespace {

// Two workstations import at once on a server: while one is still inside its file's
// transaction, the other passes over the number it took instead of waiting for its commit.
TEST_F(ImportDriver, shouldGiveTheNextNumberAtOnceWhileAnotherWorkstationIsStillImporting) {
    if (db().dialetto() != Dialetto::PostgreSQL)
        GTEST_SKIP() << "Su un file di database scrive una postazione alla volta: nessun numero conteso";
    // Waiting on the other's number would otherwise wait for ever: the test holds it open.
    db().EseguiSql(u"SET lock_timeout = '5s'"_s);
    auto altra = altraConnessione();
    ParametriAzienda parametriAltra(*altra);
    prova::InterazioneProva uiAltra;
    ImportatoreFatture importatoreAltra(*altra, uiAltra, parametriAltra, {});
    altra->IniziaTrans();
    const auto primo = importatoreAltra.importa(scrivi(u"IT03981270683_00001.xml"_s, Fattura{}.xml()));
    ASSERT_TRUE(primo[0].ok) << primo[0].errori.toStdString();

    const auto secondo = importa(scrivi(u"IT03981270683_00002.xml"_s, Fattura{}.xmlNumero(u"124/A"_s)));
    ASSERT_TRUE(secondo[0].ok) << secondo[0].errori.toStdString();
    altra->ConfermaTrans();
    EXPECT_EQ(primo[0].numRif, 1);
    EXPECT_EQ(secondo[0].numRif, 2);
    EXPECT_EQ(conta(u"FatXmlTest"_s), 2);
}

// The header is written whole when the file's transaction ends: a number or a file name that
// another workstation commits meanwhile shows there, and the file is done again.
TEST_F(ImportDriver, shouldDoAFileAgainWhenAnotherWorkstationCommitsItsNumberOrNameMeanwhile) {
    if (db().dialetto() != Dialetto::PostgreSQL)
        GTEST_SKIP() << "Su un file di database scrive una postazione alla volta";
    db().EseguiSql(u"SET lock_timeout = '10s'"_s);
    // Another workstation writes with `scrive` in its own transaction and commits a moment
    // later, while this one imports `percorso`: its header meets the other's row at its commit.
    const auto importaMentreUnAltroScrive = [&](const QString& percorso,
                                                const std::function<void(Database&)>& scrive) {
        std::promise<void> scritta;
        std::thread altra([&] {
            const auto b = altraConnessione();
            b->IniziaTrans();
            scrive(*b);
            scritta.set_value();
            QThread::msleep(300); // still uncommitted while this workstation imports
            b->ConfermaTrans();
        });
        scritta.get_future().wait();
        std::vector<EsitoImport> esiti = importa(percorso);
        altra.join();
        return esiti;
    };

    // A header row written without claiming its number (as by hand): it takes number 1.
    const auto numero =
        importaMentreUnAltroScrive(scrivi(u"IT03981270683_00001.xml"_s, Fattura{}.xml()), [](Database& b) {
            b.EseguiSql(u"INSERT INTO FatXmlTest (XmlAnno, XmlNumRif, "
                        "NomeFile, Stampato, Contabilizzato) VALUES "
                        "(2024, 1, 'amano.xml', 'N', 'N')"_s);
        });
    ASSERT_EQ(numero.size(), 1U);
    EXPECT_TRUE(numero[0].ok) << numero[0].errori.toStdString();
    EXPECT_EQ(numero[0].numRif, 2);
    EXPECT_EQ(conta(u"FatXmlDett"_s, u"WHERE XmlAnno = 2024 AND XmlNumRif = 2"_s), 1);
    EXPECT_EQ(conta(u"FatXmlDett"_s, u"WHERE XmlAnno = 2024 AND XmlNumRif = 1"_s), 0);

    // The same file name, another document, imported by the other workstation first.
    const QString nome = u"IT03981270683_00002.xml"_s;
    const QString altroFile = cartella.filePath(u"altra/"_s + nome);
    ASSERT_TRUE(QDir().mkpath(cartella.filePath(u"altra"_s)));
    {
        QFile f(altroFile);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(Fattura{}.xmlNumero(u"900/B"_s).toUtf8());
    }
    const std::vector<qint64> prima = righeStore();
    EsitoImport dellAltra;
    const auto nomeFile =
        importaMentreUnAltroScrive(scrivi(nome, Fattura{}.xmlNumero(u"124/A"_s)), [&](Database& b) {
            ParametriAzienda p(b);
            prova::InterazioneProva ui;
            ImportatoreFatture imp(b, ui, p, {});
            dellAltra = imp.importa(altroFile).at(0);
        });
    ASSERT_TRUE(dellAltra.ok) << dellAltra.errori.toStdString();
    ASSERT_EQ(nomeFile.size(), 1U);
    EXPECT_FALSE(nomeFile[0].ok);
    EXPECT_TRUE(nomeFile[0].errori.contains(u"File "_s + nome + u" già caricato"_s))
        << nomeFile[0].errori.toStdString();
    // Nothing of this workstation's file was stored: every row is the other's or was there.
    const QString altrui =
        u"WHERE NOT (XmlAnno = %1 AND XmlNumRif = %2)"_s.arg(dellAltra.anno).arg(dellAltra.numRif);
    std::vector<qint64> senzaLAltra;
    for (QLatin1String tabella : store::TabelleInOrdineDiCancellazione)
        senzaLAltra.push_back(conta(tabella, altrui));
    EXPECT_EQ(senzaLAltra, prima);
    EXPECT_EQ(conta(u"FatXmlTest"_s, u"WHERE NomeFile = '"_s + nome + u"' AND DGD_Numero = '900/B'"_s), 1);
}

} // namespace
