// Choosing the invoices to post: what the selection finds on the engine, the order
// checks, the supplier look-up by VAT number, and the run that marks invoices posted without
// a journal entry.

#include "frame/clientmenu.h"
#include "frame/configurazione.h"
#include "frame/database.h"
#include "frame/parametri.h"
#include "frame/sqlvalore.h"
#include "posting/selezione.h"
#include "support/dbprova.h"
#include "support/interazioneprova.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

// Criteria are written naming only the fields a case sets; the others stay empty.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace tesel::posting {
namespace {

// ---- The order of the "from"/"to" pairs ------------------------------------------------------

struct CasoOrdine {
    const char* nome;
    CriteriSelezione criteri;
    std::optional<Coppia> coppia;
    const char* messaggio;
};

const CasoOrdine casiOrdine[] = {{"soloDa", {.annoDa = 2030}, std::nullopt, ""},
                                 // The years are checked before the numbers.
                                 {"anni",
                                  {.annoDa = 2025, .annoA = 2024, .numeroDa = 9, .numeroA = 1},
                                  Coppia::Anni,
                                  "Si prega di inserire le date riferimento in ordine crescente"},
                                 {"numeri",
                                  {.numeroDa = 9, .numeroA = 1},
                                  Coppia::Numeri,
                                  "Si prega di inserire i numeri riferimento in ordine crescente"},
                                 {"documento",
                                  {.dataDa = QDate(2024, 3, 2), .dataA = QDate(2024, 3, 1)},
                                  Coppia::DateDocumento,
                                  "Si prega di inserire le date di Fattura in ordine crescente"},
                                 {"ricezione",
                                  {.ricezioneDa = QDate(2025, 1, 1), .ricezioneA = QDate(2024, 12, 31)},
                                  Coppia::DateRicezione,
                                  "Si prega di inserire le date di Ricezione in ordine crescente"}};

TEST(OrdineCoppie, shouldStopAtTheFirstPairOutOfOrder) {
    for (const CasoOrdine& c : casiOrdine) {
        SCOPED_TRACE(c.nome);
        const auto e = controllaOrdine(c.criteri);
        if (!c.coppia) {
            EXPECT_FALSE(e.has_value()) << e->messaggio.toStdString();
            continue;
        }
        ASSERT_TRUE(e.has_value());
        EXPECT_EQ(e->coppia, *c.coppia);
        EXPECT_EQ(e->messaggio, QString::fromUtf8(c.messaggio));
    }
}

// ---- On the database ------------------------------------------------------------------------

class Selezione : public prova::ConDatabase {
protected:
    void SetUp() override {
        ConDatabase::SetUp();
        if (IsSkipped())
            return;
        creaSchemaAzienda();
    }

    struct Riga {
        int anno;
        qint64 numero;
        const char* tipo;
        QDate data;
        const char* numeroDoc;
        QVariant ricezione; // QDateTime or null
        const char* piva;
        const char* cf;
        QVariant contabilizzato; // "S", "N" or null
    };

    void inserisci(const Riga& r) {
        db().EseguiSql(
            u"INSERT INTO FatXmlTest (XmlAnno, XmlNumRif, NomeFile, DGD_TipoDocumento, DGD_Data, "
            "DGD_Numero, DataRicSdi, CP_DA_IdFiscaleIVA_IdCodice, CP_DA_CodiceFiscale, "
            "Contabilizzato) VALUES ("_s +
            QStringList{SqlValore(r.anno, SqlIntero), SqlValore(r.numero, SqlLungo),
                        SqlValore(u"IT%1_%2.xml"_s.arg(r.piva).arg(r.numero), SqlTesto),
                        SqlValore(QString::fromUtf8(r.tipo), SqlTesto), SqlValore(r.data, SqlData),
                        SqlValore(QString::fromUtf8(r.numeroDoc), SqlTesto), SqlValore(r.ricezione, SqlData),
                        SqlValore(QString::fromUtf8(r.piva), SqlTesto),
                        SqlValore(QString::fromUtf8(r.cf), SqlTesto),
                        r.contabilizzato.isNull() ? u"Null"_s : SqlValore(r.contabilizzato, SqlTesto)}
                .join(u", "_s) +
            u')');
    }

    // The rows a typical archive holds: two years, posted and not, with and without receipt.
    void archivio() {
        const QDateTime ric(QDate(2024, 3, 15), QTime(18, 30));
        for (const Riga& r : {
                 Riga{2023, 7, "TD01", QDate(2023, 12, 20), "99", QDateTime(QDate(2024, 1, 3), QTime(9, 0)),
                      "03981270683", "", u"N"_s},
                 Riga{2024, 1, "TD01", QDate(2024, 3, 1), "123/A", ric, "03981270683", "", u"N"_s},
                 Riga{2024, 2, "TD04", QDate(2024, 3, 2), "NC1", QDateTime(QDate(2024, 3, 16), QTime(0, 0)),
                      "03981270683", "", QVariant()},
                 Riga{2024, 3, "TD01", QDate(2024, 3, 10), "55", QDateTime(QDate(2024, 3, 5), QTime(8, 0)),
                      "01234567890", "GRCNDR85M30D612O", u"S"_s},
                 Riga{2024, 4, "TD01", QDate(2024, 2, 28), "56", QVariant(), "01234567890",
                      "GRCNDR85M30D612O", u"N"_s},
             })
            inserisci(r);
    }

    QStringList scelte(const CriteriSelezione& c) {
        QStringList k;
        for (Recordset rs = db().ApriRs(PrepSql(c)); !rs.RsEof(); rs.RsMoveNext())
            k << u"%1/%2"_s.arg(rs.leggiIntero(u"XmlAnno"_s).value_or(0))
                     .arg(rs.leggiIntero(u"XmlNumRif"_s).value_or(0));
        return k;
    }
};

TEST_F(Selezione, shouldFindTheNotPostedInvoicesOfEachCriterionOldestReceiptFirst) {
    archivio();
    struct Caso {
        const char* nome;
        CriteriSelezione criteri;
        QStringList attese;
    };
    const std::vector<Caso> casi{
        // 2024/4 has no receipt: its document date (28/02) places it.
        {"tutte", {}, {"2023/7", "2024/4", "2024/1", "2024/2"}},
        {"tipo", {.tipoDocumento = "TD04"}, {"2024/2"}},
        {"anni", {.annoDa = 2024, .annoA = 2024}, {"2024/4", "2024/1", "2024/2"}},
        {"numeri", {.numeroDa = 2, .numeroA = 4}, {"2024/4", "2024/2"}},
        {"dateDocumento", {.dataDa = QDate(2024, 3, 1), .dataA = QDate(2024, 3, 2)}, {"2024/1", "2024/2"}},
        {"numeroDocumento", {.numeroDocumento = "123/A"}, {"2024/1"}},
        // The last day counts whole: 18:30 of 15/03 is in, the next midnight is out.
        {"ricezione", {.ricezioneDa = QDate(2024, 3, 15), .ricezioneA = QDate(2024, 3, 15)}, {"2024/1"}},
        {"partitaIva", {.partitaIva = "01234567890"}, {"2024/4"}},
        {"codiceFiscale", {.codiceFiscale = "GRCNDR85M30D612O"}, {"2024/4"}},
        {"nessuna", {.annoDa = 2030}, {}},
    };
    for (const Caso& c : casi)
        EXPECT_EQ(scelte(c.criteri), c.attese) << c.nome;
}

TEST_F(Selezione, shouldNameTheSupplierAccountsOfAVatNumberOrFiscalCode) {
    db().EseguiSql(
        u"INSERT INTO PianoConti (Gruppo, Mastro, Conto, Descrizione, Tipo, PartIva, CodFisc) VALUES "
        "('40', '10', '1001', 'Ferramenta Adriatica Srl', 2, '03981270683', '03981270683'), "
        "('40', '10', '1002', 'Rossi Forniture Srl', 2, '01234567890', '01234567890'), "
        "('40', '10', '1003', 'Rossi Forniture Srl - filiale', 2, '01234567890', '01234567890'), "
        "('40', '10', '1004', 'Cliente con la stessa partita iva', 3, '03981270683', '03981270683')"_s);

    EXPECT_EQ(DecodPartiva(db(), "03981270683", ""), "Ferramenta Adriatica Srl");
    EXPECT_EQ(DecodPartiva(db(), "", "03981270683"), "Ferramenta Adriatica Srl");
    EXPECT_EQ(DecodPartiva(db(), "03981270683", "ALTRO"), "Non esistente in archivio fornitori");
    // The highest account first.
    EXPECT_EQ(DecodPartiva(db(), "01234567890", ""), "DUPLICATO - Rossi Forniture Srl - filiale");
}

// The run stops before the next invoice when asked and keeps what is done; run again it marks
// the rest of the selection posted without any accounting record.
TEST_F(Selezione, shouldMarkTheSelectedInvoicesPostedWithoutRecordsStoppingWhenAsked) {
    archivio();
    ClientMenuFisso menu;
    prova::InterazioneProva ui;
    Configurazione conf(menu, ui);
    ParametriAzienda parametri(db());
    OpzioniLotto opzioni;
    opzioni.senzaRegistrazione = true;
    const CriteriSelezione dal2024{.annoDa = 2024};
    const EsitoLotto interrotto = contabilizzaSelezione(db(), parametri, &conf, ui, dal2024, opzioni,
                                                        [](int fatti, int) { return fatti < 3; });
    EXPECT_TRUE(interrotto.interrotto);
    ASSERT_EQ(interrotto.fatture.size(), 2u);
    EXPECT_EQ(scelte({}), (QStringList{"2023/7", "2024/2"}));

    QList<std::pair<int, int>> avanzamenti;
    const EsitoLotto esito =
        contabilizzaSelezione(db(), parametri, &conf, ui, dal2024, opzioni, [&](int fatti, int daFare) {
            avanzamenti.append({fatti, daFare});
            return true;
        });
    EXPECT_EQ(avanzamenti, (QList<std::pair<int, int>>{{1, 1}}));
    ASSERT_EQ(esito.fatture.size(), 1u);
    EXPECT_TRUE(esito.tutteOk());
    EXPECT_EQ(esito.fatture[0].identificazione, "Nr. rif. 2 - P.Iva 03981270683 - File IT03981270683_2.xml");
    EXPECT_EQ(scelte({}), QStringList{"2023/7"});
    EXPECT_EQ(db().valore("SELECT count(*) FROM FatXmlTest WHERE Contabilizzato = 'S'").toInt(), 4);
    EXPECT_EQ(db().valore("SELECT (SELECT count(*) FROM MovPnTesFatt) + (SELECT count(*) FROM MovPnTes) + "
                          "(SELECT count(*) FROM Scadenze)")
                  .toInt(),
              0);
    EXPECT_TRUE(ui.mostrati.isEmpty());
}

// The notes of posted invoices reach the run's report apart from the errors of the others.
TEST(EsitoLotto, shouldCollectTheNotesOfPostedInvoicesApartFromTheErrors) {
    EsitoLotto esito;
    esito.fatture = {
        {.ok = true, .identificazione = u"Nr. rif. 1"_s, .avvisi = u"\r\nnessuna scadenza creata"_s},
        {.ok = false, .identificazione = u"Nr. rif. 2"_s, .errori = u"\r\nTotale"_s, .avvisi = u"\r\nx"_s},
        {.ok = true, .identificazione = u"Nr. rif. 3"_s}};
    EXPECT_EQ(esito.avvisiRaccolti(), u"\r\nNr. rif. 1\r\nnessuna scadenza creata"_s);
    EXPECT_EQ(esito.erroriRaccolti(), u"\r\nNr. rif. 2\r\nTotale"_s);
}

} // namespace
} // namespace tesel::posting
