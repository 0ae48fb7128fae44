// The issued list against a real tesel-hub: what the rows hold, the filters, the checks of
// the selection, the commands on it (download, delete, complete, change of state) and the
// copy of the receipt data into the company's invoices.

#include "attiveprova.h"

#include "frame/data.h"
#include "frame/database.h"
#include "frame/hash.h"
#include "hub/filehub.h"
#include "hub/listaattive.h"
#include "hub/passive.h"
#include "hub/statidocumento.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace tesel;
using namespace tesel::hub;

#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

const QString A_Capo = QStringLiteral("\r\n");

class ListaAttive : public prova::ConAttiveHub {
protected:
    ElencoAttiveLetto lista(FiltriAttive f = {}) {
        f.partitaIva = QStringLiteral("04738210287");
        auto hub = servizio();
        return LeggiElencoAttive(*hub, f, true);
    }
    // The rows with the documents `id` ticked.
    static std::vector<RigaAttiva> segna(std::vector<RigaAttiva> righe, const QStringList& id) {
        for (RigaAttiva& r : righe)
            r.selezionata = id.contains(r.id);
        return righe;
    }
    QByteArray leggi(const QString& file) {
        QFile f(QDir(cartellaScarico()).filePath(file));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(manca)");
    }
    QString cartellaScarico() { return QDir(cartella()).filePath(QStringLiteral("scarichi")); }
    StatiDocumento stati;
};

TEST_F(ListaAttive, listsEveryDocumentWithCustomerTotalsAndDatesAndFiltersByStateAndCustomer) {
    const Inviato a = invia({.numero = "A/1", .totale = "1220.00"});
    const Inviato b = invia({.numero = "A/2",
                             .data = "2026-11-21",
                             .totale = "99.99",
                             .tipo = "TD04",
                             .partitaIva = "",
                             .codiceFiscale = "VRDLGI70B02F205X",
                             .denominazione = "Luigi Verdi"});
    avanza("CO", {a.id});

    const ElencoAttiveLetto tutti = lista();
    ASSERT_TRUE(tutti.ok) << tutti.messaggio.toStdString();
    ASSERT_EQ(tutti.righe.size(), 2u);
    EXPECT_EQ(formatta(tutti.totale, u"#,##0.00"), "1.319,99");
    const RigaAttiva& ra = tutti.righe[0].id == a.id ? tutti.righe[0] : tutti.righe[1];
    const RigaAttiva& rb = tutti.righe[0].id == b.id ? tutti.righe[0] : tutti.righe[1];
    EXPECT_EQ(ra.cliente(), "01234567890");
    EXPECT_EQ(ra.denominazione, "Cliente Spa");
    EXPECT_EQ(ra.stato, "CO");
    EXPECT_EQ(ra.riferimento, a.riferimento);
    EXPECT_FALSE(ra.identificativoSdi.isEmpty());
    EXPECT_FALSE(ra.dataOraConsegna.isEmpty());
    // The dates only DatiDocumento gives are there, and after the creation.
    EXPECT_FALSE(ra.dataCreazione.isEmpty());
    EXPECT_GE(ra.dataUltimaVariazione, ra.dataCreazione);
    EXPECT_EQ(rb.cliente(), "CF: VRDLGI70B02F205X");
    EXPECT_EQ(rb.tipo, "TD04");
    EXPECT_EQ(DataDaHub(rb.data), "21/11/2026");

    FiltriAttive soloCo;
    soloCo.stato = "CO";
    const ElencoAttiveLetto co = lista(soloCo);
    ASSERT_EQ(co.righe.size(), 1u);
    EXPECT_EQ(co.righe[0].id, a.id);

    FiltriAttive privato;
    privato.cliente = "VRDLGI70B02F205X";
    const ElencoAttiveLetto p = lista(privato);
    ASSERT_EQ(p.righe.size(), 1u);
    EXPECT_EQ(p.righe[0].id, b.id);

    FiltriAttive nessuno;
    nessuno.stato = "RI";
    const ElencoAttiveLetto vuota = lista(nessuno);
    EXPECT_FALSE(vuota.ok);
    EXPECT_EQ(vuota.messaggio, "Non ci sono documenti con i dati richiesti");

    // A Hub that fails leaves a message that says so, with its reason.
    guasti({"esito=5@ElencoAttive"});
    const ElencoAttiveLetto guasto = lista();
    EXPECT_FALSE(guasto.ok);
    EXPECT_TRUE(guasto.messaggio.startsWith("Errore nella lettura dei dati" + A_Capo))
        << guasto.messaggio.toStdString();
    guasti({"vuota@ElencoAttive"});
    EXPECT_EQ(lista().messaggio, "Non ci sono dati estratti");
}

TEST_F(ListaAttive, filterChecksGiveTheirMessagesAndTheCustomerAccountIsLookedUp) {
    struct Caso {
        int campo;
        QString valore;
        QString messaggio;
        int atteso = -1; // the box the message points at; -1 the one typed
    };
    const std::vector<Caso> casi{
        {DataDocDa, "31/02/2026", "Valore Errato"},
        {NumeroA, "dieci", "Valore Errato"},
        {NumeroDa, "-3", "Valore Errato"},
        {DataDocDa, "01/01/2027", "Si prega di inserire le date di Fattura in ordine crescente", DataDocA},
        {DataRifA, "01/01/2020", "Si prega di inserire le date riferimento in ordine crescente"},
        {NumeroA, "4", "Si prega di inserire i numeri riferimento in ordine crescente"},
        {PrefissoA, "A/1", "Si prega di inserire i numeri di Fattura in ordine crescente"},
        {Cliente, "20-10-1002", "Il cliente richiesto non ha la partita iva e il codice fiscale"},
        {Cliente, "99-99-9999", "Valore Errato"},
        {Cliente, "2O-10-1002", "Valore Errato"}, // letters, also where the accounts are numbers
    };
    for (const Caso& c : casi) {
        TestiFiltroAttive t = FiltroPredefinito(QDate(2026, 12, 7));
        t[DataRifDa] = "01/06/2026";
        t[NumeroDa] = "5";
        t[PrefissoDa] = "B/1";
        t[static_cast<size_t>(c.campo)] = c.valore;
        const ControlloFiltri r = ControllaFiltriAttive(db(), t, {}, "04738210287");
        EXPECT_EQ(r.messaggio, c.messaggio) << c.valore.toStdString();
        EXPECT_EQ(r.campo, c.atteso < 0 ? c.campo : c.atteso) << c.valore.toStdString();
    }
    db().EseguiSql("UPDATE PianoConti SET PartIva = '01234567890' WHERE Gruppo = '20' AND Mastro = '10' AND "
                   "Conto = '1002'");
    TestiFiltroAttive t = FiltroPredefinito(QDate(2026, 12, 7));
    EXPECT_EQ(t[DataDocDa], "07/11/2026");
    for (const auto& [scritto, cercato] : std::vector<std::pair<QString, QString>>{
             {"it01234567890", "01234567890"}, {"rssmra80a01h501u", "RSSMRA80A01H501U"}}) {
        t[Cliente] = scritto;
        EXPECT_EQ(ControllaFiltriAttive(db(), t, {}, "04738210287").filtri.cliente, cercato);
    }
    t[Cliente] = "20-10-1002";
    const ControlloFiltri r = ControllaFiltriAttive(db(), t, "co", "04738210287");
    EXPECT_EQ(r.messaggio, "");
    EXPECT_EQ(r.filtri.cliente, "01234567890");
    EXPECT_EQ(r.filtri.stato, "CO");
    EXPECT_EQ(r.filtri.dataDocDa, QDate(2026, 11, 7));
    EXPECT_EQ(r.filtri.dataDocA, QDate(2026, 12, 7));
}

TEST_F(ListaAttive, verSelezRefusesRowsInStatesTheCommandDoesNotAccept) {
    std::vector<RigaAttiva> righe(3);
    righe[0].id = "1", righe[0].stato = "CO";
    righe[1].id = "2", righe[1].stato = "DF";
    righe[2].id = "3", righe[2].stato = "DA";
    QString m;
    EXPECT_EQ(VerSelez(righe, {}, stati, &m), 0);
    EXPECT_EQ(m, "Selezionare i documenti da scaricare");

    righe = segna(righe, {"1", "2"});
    EXPECT_EQ(VerSelez(righe, StatiAmmessi(ComandoAttive::Scarica), stati, &m), 2);
    EXPECT_EQ(VerSelez(righe, StatiAmmessi(ComandoAttive::Cancella), stati, &m), 0);
    EXPECT_EQ(m, "Riga selezionato con stato CO non valido per il comando richiesto" + A_Capo +
                     "Valori validi:" + A_Capo + "Da firmare, Da integrare, Da validare, Da confermare");
    EXPECT_EQ(VerSelez(righe, StatiAmmessi(ComandoAttive::Completato), stati, &m), 0);
    EXPECT_TRUE(m.endsWith("Valori validi:" + A_Capo + "Rifiutato")) << m.toStdString();

    // "Firma e Conferma" takes DF and DA; "Conferma" neither.
    righe = segna(righe, {"2", "3"});
    EXPECT_EQ(
        VerSelez(righe, StatiAmmessi(ComandoAttive::CambioStato, CambioStato::FirmaConferma), stati, &m), 2);
    EXPECT_EQ(VerSelez(righe, StatiAmmessi(ComandoAttive::CambioStato, CambioStato::Conferma), stati, &m), 0);
    EXPECT_TRUE(m.startsWith("Riga selezionato con stato DF")) << m.toStdString();

    EXPECT_FALSE(TipoCambioStato(0, &m));
    EXPECT_EQ(m, "Selezione il tipo di cambio stato");
    EXPECT_FALSE(TipoCambioStato(7, &m));
    EXPECT_EQ(m, "Tipo cambio stato non previsto");
    EXPECT_EQ(TipoCambioStato(3, &m), CambioStato::FirmaConferma);
}

TEST_F(ListaAttive, downloadsWriteTheHubsBytesAndReportDigestAndMissingDocuments) {
    const Inviato a = invia({.numero = "A/1", .allegato = "ordine.pdf"});
    const Inviato b = invia({.numero = "A/2"});
    avanza("CO", {a.id});
    ElencoAttiveLetto l = lista();
    ASSERT_TRUE(l.ok);
    auto hub = servizio();
    QDir().mkpath(cartellaScarico());

    EsitoComandoAttive e = ScaricaAttive(*hub, segna(l.righe, {a.id}), false, cartellaScarico());
    EXPECT_EQ(e.errori, "");
    EXPECT_EQ(e.riusciti, 1);
    ASSERT_EQ(e.file.size(), 2) << e.file.join(',').toStdString(); // the invoice and its delivery receipt
    EXPECT_EQ(leggi("IT04738210287_00001.xml"), a.contenuto);
    EXPECT_TRUE(e.file[1].contains("_RC_")) << e.file[1].toStdString();
    EXPECT_EQ(e.messaggioFinale(), "File scaricati nella directory " + cartellaScarico());

    e = ScaricaAttive(*hub, segna(l.righe, {a.id}), true, cartellaScarico());
    EXPECT_TRUE(e.file.contains("ordine.pdf")) << e.file.join(',').toStdString();
    EXPECT_EQ(leggi("ordine.pdf"), "contenuto di ordine.pdf");

    // The interrupt stops before the next document; the one in hand is finished.
    int chiamate = 0;
    e = ScaricaAttive(*hub, segna(l.righe, {a.id, b.id}), false, cartellaScarico(),
                      [&](int fatti, int daFare) {
                          ++chiamate;
                          EXPECT_EQ(daFare, 2);
                          return fatti < 1;
                      });
    EXPECT_TRUE(e.interrotto);
    EXPECT_EQ(e.riusciti, 1);
    EXPECT_EQ(chiamate, 1);

    // A file whose digest is not the Hub's is reported and not kept; the other document goes.
    guasti({"impronta@" + b.id});
    QFile::remove(QDir(cartellaScarico()).filePath("IT04738210287_00002.xml"));
    e = ScaricaAttive(*hub, segna(l.righe, {a.id, b.id}), false, cartellaScarico());
    EXPECT_EQ(e.errori,
              A_Capo + "Hash non corrispondente per fattura A/2 - 20/11/2026 (IT04738210287_00002.xml)");
    EXPECT_EQ(e.riusciti, 1);
    EXPECT_FALSE(QFile::exists(QDir(cartellaScarico()).filePath("IT04738210287_00002.xml")));

    // A document the Hub no longer has, and one it fails on.
    guasti({"errore@" + a.id});
    std::vector<RigaAttiva> righe = segna(l.righe, {a.id, b.id});
    righe[0].id == b.id ? righe[0].id = "999" : righe[1].id = "999";
    e = ScaricaAttive(*hub, righe, false, cartellaScarico());
    EXPECT_TRUE(e.errori.contains(A_Capo + "Non esiste fattura A/2 - 20/11/2026")) << e.errori.toStdString();
    EXPECT_TRUE(e.errori.contains(A_Capo + "Errore 5 - Errore simulato dall'Hub sul documento " + a.id +
                                  A_Capo + "nella fattura A/1 - 20/11/2026"))
        << e.errori.toStdString();
    EXPECT_EQ(e.riusciti, 0);
    EXPECT_EQ(hub->contatore(), 0); // the session was let go
}

TEST_F(ListaAttive, stateChangesDeleteCompleteAndReportEachRefusedDocument) {
    const Inviato df = invia({.numero = "A/1", .stato = "DF"});
    const Inviato dc = invia({.numero = "A/2", .stato = "DF"});
    const Inviato ri = invia({.numero = "A/3"});
    const Inviato co = invia({.numero = "A/4"});
    avanza("RI", {ri.id});
    avanza("CO", {co.id});
    ElencoAttiveLetto l = lista();
    ASSERT_EQ(l.righe.size(), 4u);
    auto hub = servizio();

    EsitoComandoAttive e = CambiaStatoAttive(*hub, segna(l.righe, {dc.id}), CambioStato::Firma);
    EXPECT_EQ(e.errori, "");
    EXPECT_EQ(e.riusciti, 1);
    e = CambiaStatoAttive(*hub, segna(l.righe, {ri.id}), CambioStato::Completamento);
    EXPECT_EQ(e.riusciti, 1);
    EXPECT_EQ(e.messaggioFinale(), "Operazione completata");
    e = CambiaStatoAttive(*hub, segna(l.righe, {df.id, co.id}), CambioStato::Cancellazione);
    EXPECT_EQ(e.riusciti, 1);
    EXPECT_EQ(e.errori,
              A_Capo + "Errore per ID " + co.id + ": Documento in stato [CO]: cancellazione non consentita");

    std::map<QString, QString> stato;
    for (const RigaAttiva& r : lista().righe)
        stato[r.id] = r.stato;
    EXPECT_EQ(stato, (std::map<QString, QString>{{dc.id, "DC"}, {ri.id, "RC"}, {co.id, "CO"}}));
}

TEST_F(ListaAttive, receiptDataGoIntoTheInvoicesCarryingTheIdentifier) {
    const Inviato a = invia({.numero = "A/1"});
    const Inviato b = invia({.numero = "A/2"});
    avanza("CO", {a.id, b.id});
    db().EseguiConValori("INSERT INTO FatTestFE (Anno, NumRif, FEHubInvio, FEIDHub) VALUES (2024, 1, 'I', ?)",
                         {a.riferimento});
    db().EseguiConValori("INSERT INTO FatTestFE (Anno, NumRif, FEHubInvio, FEIDHub) VALUES (2024, 2, 'I', ?)",
                         {QStringLiteral("altro")});
    ElencoAttiveLetto l = lista();
    ASSERT_EQ(l.righe.size(), 2u);
    const RigaAttiva& ra = l.righe[0].id == a.id ? l.righe[0] : l.righe[1];

    const EsitoDatiSdi e = AggiornaDatiSdi(db(), segna(l.righe, {a.id, b.id}));
    EXPECT_EQ(e.aggiornate, 1);
    EXPECT_EQ(e.messaggio(), "Elaborazione terminata" + A_Capo + "Aggiornate 1 fatture" + A_Capo +
                                 "Non trovati gli Id Documento" + A_Capo + b.riferimento + A_Capo +
                                 "Dati non aggiornati completamente");
    Recordset rs = db().ApriRs(
        "SELECT FEDataRicSdi, FEidentificativoSdi FROM FatTestFE WHERE Anno = 2024 ORDER BY NumRif");
    EXPECT_EQ(rs.leggiTesto("FEidentificativoSdi"), ra.identificativoSdi);
    const auto ricevuta = dataOraDaVariant(rs.LeggiCampo("FEDataRicSdi"));
    ASSERT_TRUE(ricevuta);
    EXPECT_EQ(ricevuta->toString("yyyy-MM-ddTHH:mm:ss"), ra.dataOraRicezione);
    rs.RsMoveNext();
    EXPECT_TRUE(rs.LeggiCampo("FEDataRicSdi").isNull());
}

// Issued and received downloads name their files alike; a received one without a usable name
// takes the invoice's number.
TEST(NomiScaricati, hubNamesNeverLeaveTheFolder) {
    for (const auto& [nome, atteso] :
         std::initializer_list<std::pair<QString, QString>>{{"IT01_1.xml", "IT01_1.xml"},
                                                            {"../../etc/passwd", "passwd"},
                                                            {"C:\\temp\\a.xml", "a.xml"},
                                                            {"..", "A_12_3.xml"},
                                                            {"", "A_12_3.xml"},
                                                            {"a\x01:b?.xml", "ab.xml"}}) {
        EXPECT_EQ(NomeFileSicuro(nome, "A_12_3.xml"), atteso) << nome.toStdString();
        EXPECT_EQ(nomeFileScaricato(nome, " A/12\\3"), atteso) << nome.toStdString();
    }
    EXPECT_EQ(DataDaHub("2026-12-01T10:15:00"), "01/12/2026 10:15:00");
    EXPECT_EQ(DataDaHub("2026-12-01"), "01/12/2026");
    EXPECT_EQ(DataDaHub("12/2026"), "12/2026");
}

} // namespace
