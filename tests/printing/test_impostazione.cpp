// The print set-up layer (options, page parameters, styles, names) and the printer resolution.
#include "frame/ini.h"
#include "printing/impostazione.h"
#include "printing/stampanti.h"
#include "schema/schema.h"
#include "support/dbprova.h"
#include "support/interazioneprova.h"

#include <QFontInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tesel::stampa;
using tesel::FileIni;
using tesel::prova::InterazioneProva;

namespace {

const QString Term = QStringLiteral("POST3");

struct Profilo {
    QTemporaryDir dir;
    FileIni ini;
    Profilo() { ini.load(dir.filePath(QStringLiteral("tesel.ini"))); }
    void metti(const QString& sezione, const QString& chiave, const QString& valore) {
        ASSERT_TRUE(ini.set(sezione, chiave, valore));
    }
};

ImpostazioneStampa impostazione(const FileIni& ini, const QString& codSta = QStringLiteral("StFatPas")) {
    return ImpostazioneStampa(
        ini, Postazione{Term, QStringLiteral("mrossi"), QStringLiteral("AMM")},
        IdentitaStampa{codSta, QStringLiteral("Stampa Fatture Passive"), QStringLiteral("Fatture")},
        DatiAzienda{QStringLiteral("Rossi & Figli S.r.l."), QStringLiteral("ROSSI"), QStringLiteral("7")});
}

} // namespace

TEST(ImpostazioneStampa, TheMostSpecificSavedOptionWins) {
    Profilo p;
    const auto chiave = [](Ambito a, Zona z, const QString& cod) {
        return chiaveOpzione(QStringLiteral("NomeStampante"), a, z, Term, cod);
    };
    // Each step adds a more specific value; the reader must follow.
    struct Passo {
        Ambito ambito;
        Zona zona;
        QString valore;
    };
    const std::vector<Passo> passi{
        {Ambito::Comune, Zona::Predefinita, QStringLiteral("comune")},
        {Ambito::Postazione, Zona::Predefinita, QStringLiteral("postazione")},
        {Ambito::Comune, Zona::SoloStampa, QStringLiteral("stampa")},
        {Ambito::Postazione, Zona::SoloStampa, QStringLiteral("stampa-postazione")}};
    EXPECT_EQ(
        impostazione(p.ini).opzione(SezioneOpzioni, QStringLiteral("NomeStampante"), QStringLiteral("x")),
        QStringLiteral("x"));
    for (const Passo& s : passi) {
        p.metti(SezioneOpzioni, chiave(s.ambito, s.zona, QStringLiteral("StFatPas")), s.valore);
        EXPECT_EQ(impostazione(p.ini).opzione(SezioneOpzioni, QStringLiteral("NomeStampante")), s.valore);
    }
    // Another print and another workstation see only what is theirs or common.
    EXPECT_EQ(
        impostazione(p.ini, QStringLiteral("Altra")).opzione(SezioneOpzioni, QStringLiteral("NomeStampante")),
        QStringLiteral("postazione"));
    ImpostazioneStampa altra(p.ini, Postazione{QStringLiteral("POST9"), {}, {}},
                             IdentitaStampa{QStringLiteral("Altra"), {}, {}});
    EXPECT_EQ(altra.opzione(SezioneOpzioni, QStringLiteral("NomeStampante")), QStringLiteral("comune"));
}

TEST(ImpostazioneStampa, OptionsAreReadAndAWrongValueIsReported) {
    Profilo p;
    p.metti(SezioneOpzioni, QStringLiteral("StaVid"), QStringLiteral("Video"));
    p.metti(SezioneOpzioni, QStringLiteral("Fatt"), QStringLiteral("150"));
    p.metti(SezioneOpzioni, QStringLiteral("MemVid"), QStringLiteral("N"));
    p.metti(SezioneOpzioni, QStringLiteral("StFatPas.PdfNomeAutom"), QStringLiteral("S"));
    InterazioneProva ui;
    OpzioniStampa o = impostazione(p.ini).leggiOpzioni(ui);
    EXPECT_EQ(o.staVid, DoveStampare::Video);
    EXPECT_EQ(o.fatt, 150);
    EXPECT_FALSE(o.memVid);
    EXPECT_TRUE(o.pdfNomeAutom);
    EXPECT_TRUE(ui.mostrati.isEmpty());

    p.metti(SezioneOpzioni, QStringLiteral("StaVid"), QStringLiteral("Fax"));
    p.metti(SezioneOpzioni, QStringLiteral("Fatt"), QStringLiteral("centocinquanta"));
    o = impostazione(p.ini).leggiOpzioni(ui);
    ASSERT_EQ(ui.mostrati.size(), 1); // one message for the whole read
    EXPECT_EQ(ui.mostrati[0].testo, QStringLiteral("(IniOpzSta) Problemi nei parametri"));
    EXPECT_EQ(ui.mostrati[0].titolo, QStringLiteral("Errore file ini"));
    EXPECT_EQ(o.staVid, DoveStampare::Stampante);
    EXPECT_EQ(o.fatt, 100);
}

TEST(ImpostazioneStampa, PageParametersMarginMessageAndDefaults) {
    struct Caso {
        const char* nome;
        std::vector<std::pair<QString, QString>> valori;
        bool messaggio;
        ParametriPagina atteso;
    };
    ParametriPagina letti;
    letti.mrSin = 12.5;
    letti.mrDes = 8;
    letti.mrAlt = 10;
    letti.mrBas = 9;
    letti.fatt = 0.9;
    letti.interl = 1.2;
    letti.dx = -1.5;
    const std::vector<Caso> casi{
        {"mai impostati", {}, false, ParametriPagina{}},
        {"tutti validi, decimali con la virgola",
         {{"MrSin", "12,5"},
          {"MrDes", "8"},
          {"MrAlt", "10"},
          {"MrBas", "9"},
          {"Fatt", "0,9"},
          {"Interl", "1.2"},
          {"Dx", "-1,5"}},
         false,
         letti},
        {"un margine mancante", {{"MrSin", "12"}, {"MrDes", "8"}, {"MrAlt", "10"}}, true, ParametriPagina{}},
        {"un margine non numerico",
         {{"MrSin", "12"}, {"MrDes", "otto"}, {"MrAlt", "10"}, {"MrBas", "9"}},
         true,
         ParametriPagina{}},
        {"margini che non lasciano spazio",
         {{"MrSin", "100"}, {"MrDes", "100"}, {"MrAlt", "10"}, {"MrBas", "9"}},
         true,
         ParametriPagina{}},
        {"fattore di scala impossibile", {{"Fatt", "0"}}, true, ParametriPagina{}},
    };
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.nome);
        Profilo p;
        for (const auto& [k, v] : c.valori)
            p.metti(SezioneParametri, k, v);
        InterazioneProva ui;
        LumoStampe s;
        ImpostazioneStampa imp = impostazione(p.ini);
        EXPECT_EQ(imp.IniParamStampa(s, ui), !c.messaggio);
        ASSERT_EQ(ui.mostrati.size(), c.messaggio ? 1 : 0);
        if (c.messaggio) {
            EXPECT_EQ(ui.testiMostrati().front(),
                      QStringLiteral("(IniParamStampa) Problemi nei parametri dei margini\n"
                                     "nel file di inizializzazione. Uso i valori di default"));
            EXPECT_EQ(ui.mostrati[0].titolo, QStringLiteral("Errore file ini"));
        }
        const ParametriPagina& r = s.parametri();
        EXPECT_DOUBLE_EQ(r.mrSin, c.atteso.mrSin);
        EXPECT_DOUBLE_EQ(r.mrDes, c.atteso.mrDes);
        EXPECT_DOUBLE_EQ(r.mrAlt, c.atteso.mrAlt);
        EXPECT_DOUBLE_EQ(r.mrBas, c.atteso.mrBas);
        EXPECT_DOUBLE_EQ(r.fatt, c.atteso.fatt);
        EXPECT_DOUBLE_EQ(r.interl, c.atteso.interl);
        EXPECT_DOUBLE_EQ(r.dx, c.atteso.dx);
    }
}

TEST(ImpostazioneStampa, TheWholeSetUpGivesTheSheetTheStylesAndTheMargins) {
    Profilo p;
    p.metti(SezioneOpzioni, QStringLiteral("StFatPas.NumTipoCarta"), QString::number(int(QPageSize::A5)));
    p.metti(SezioneOpzioni, QStringLiteral("StaVid"), QStringLiteral("Video"));
    for (const auto& [k, v] : std::vector<std::pair<QString, QString>>{{"MrSin", "10"},
                                                                       {"MrDes", "10"},
                                                                       {"MrAlt", "12"},
                                                                       {"MrBas", "12"},
                                                                       {"ModMrSin", "3"},
                                                                       {"ModMrAlt", "4,5"}})
        p.metti(SezioneParametri, k, v);
    InterazioneProva ui;
    LumoStampe s;
    s.impostaFormato(QPageSize(QPageSize::A4), QPageLayout::Landscape);
    OpzioniStampa o = impostazione(p.ini).prepara(s, ui);
    EXPECT_TRUE(ui.mostrati.isEmpty());
    EXPECT_EQ(o.staVid, DoveStampare::Video);
    EXPECT_NEAR(s.formatoMm().width(), 210, 0.5); // A5 landscape
    // The pre-printed form's shift adds to the left and top margins.
    EXPECT_DOUBLE_EQ(s.parametri().mrSin, 13);
    EXPECT_DOUBLE_EQ(s.parametri().mrAlt, 16.5);
    EXPECT_NEAR(s.larghezzaStampabile(), 210 - 23, 0.5);
    // ForzaVert of this print turns the sheet upright.
    p.metti(SezioneOpzioni, QStringLiteral("StFatPas.ForzaVert"), QStringLiteral("S"));
    o = impostazione(p.ini).prepara(s, ui);
    EXPECT_TRUE(s.parametri().forzaVert);
    EXPECT_NEAR(s.formatoMm().width(), 148, 0.5);
    EXPECT_NEAR(s.altezzaStampabile(), 210 - 28.5, 0.5);
    EXPECT_EQ(s.nomiStili().size(), 10);
    EXPECT_EQ(s.stileCorrente(), QStringLiteral("CorpoCampo"));
}

TEST(ImpostazioneStampa, StandardAndPersonalisedStyles) {
    Profilo p;
    p.metti(SezioneOpzioni, QStringLiteral("FontPersCor"), QStringLiteral("S"));
    p.metti(SezioneOpzioni, QStringLiteral("CodiceFontCor"), QStringLiteral("Mio"));
    p.metti(SezioneOpzioni, QStringLiteral("Mio_Progr"), QStringLiteral("3"));
    p.metti(SezioneOpzioni, QStringLiteral("Mio.FFPers-1_Name"), QStringLiteral("Courier New"));
    p.metti(SezioneOpzioni, QStringLiteral("Mio.FFPers-1_Size"), QStringLiteral("11,5"));
    p.metti(SezioneOpzioni, QStringLiteral("Mio.FFPers-1_Bold"), QStringLiteral("vero"));
    p.metti(SezioneOpzioni, QStringLiteral("Mio.FFPers-2_Name"), QStringLiteral("Arial"));
    p.metti(SezioneOpzioni, QStringLiteral("Mio.FFPers-2_Size"), QStringLiteral("enorme"));
    LumoStampe s;
    impostazione(p.ini).fontTestataECorpo(s);
    const auto titolo = s.stile(QStringLiteral("TestaTitolo"));
    ASSERT_TRUE(titolo);
    EXPECT_EQ(titolo->punti, 12);
    EXPECT_TRUE(titolo->grassetto);
    EXPECT_EQ(s.stile(QStringLiteral("LarghezzaFissa"))->famiglia, QStringLiteral("Courier New"));
    const auto p1 = s.stile(QStringLiteral("FFPers-1"));
    ASSERT_TRUE(p1);
    EXPECT_DOUBLE_EQ(p1->punti, 11.5);
    EXPECT_TRUE(p1->grassetto);
    EXPECT_DOUBLE_EQ(s.stile(QStringLiteral("FFPers-2"))->punti, 10); // unreadable size: 10
    EXPECT_FALSE(s.stile(QStringLiteral("FFPers-3")));                // no font name: not defined
    // The free fonts keep the metrics: "Courier New" is monospaced, 0.6 em per character (within
    // the rounding of the font size to whole device pixels at 1200 dpi).
    s.selezionaStile(QStringLiteral("LarghezzaFissa"));
    EXPECT_NEAR(s.larghezzaTesto(QStringLiteral("0123456789")), 10 * 0.6 * 8 * 25.4 / 72, 0.05);
    EXPECT_NEAR(s.larghezzaTesto(QStringLiteral("iiiii")), s.larghezzaTesto(QStringLiteral("MMMMM")), 1e-9);
    EXPECT_EQ(famigliaStampa(QStringLiteral("Arial")), QStringLiteral("Liberation Sans"));
    EXPECT_EQ(QFontInfo(fontStile(*s.stile(QStringLiteral("CorpoCampo")))).family(),
              QStringLiteral("Liberation Sans"));
    EXPECT_EQ(QFontInfo(fontStile(*p1)).family(), QStringLiteral("Liberation Mono"));
}

TEST(ImpostazioneStampa, PlaceholdersInBothCasesAndTheAutomaticPdfName) {
    const QDateTime quando(QDate(2026, 3, 5), QTime(9, 7));
    const Postazione post{Term, QStringLiteral("mrossi"), QStringLiteral("AMM")};
    const DatiAzienda az{QStringLiteral("A/B Srl"), QStringLiteral("AB"), QStringLiteral("7")};
    const IdentitaStampa id{QStringLiteral("StFatPas"), QStringLiteral("Titolo"), QStringLiteral("Prg")};
    EXPECT_EQ(sostituisciSegnaposto(
                  QStringLiteral("§Terminale§-§Login§-§Gruppo§-§descazie§-§DescAzie§-§codiceazie§-"
                                 "§IdAzienda§-§DescPrg§-§Titolo§-§CodSta§"),
                  post, az, id, quando),
              QStringLiteral("POST3-mrossi-AMM-A/B Srl-A/B Srl-AB-7-Prg-Titolo-StFatPas"));
    EXPECT_EQ(sostituisciSegnaposto(QStringLiteral("§Data§ §DataRov§ §DataLong§ §DataAbb§ §Ora§"), post, az,
                                    id, quando),
              QStringLiteral("05032026 20260305 05 marzo 2026 05 mar 2026 0907"));
    // The report's own placeholders; an unknown name and a lone sign stay as written.
    EXPECT_EQ(sostituisciSegnaposto(QStringLiteral("§NumDoc§ §Sconosciuto§ 5§ §§"), post, az, id, quando,
                                    {{QStringLiteral("NumDoc"), QStringLiteral("12/A")}}),
              QStringLiteral("12/A §Sconosciuto§ 5§ §§"));
    // In a file name the values lose the characters that would make folders.
    EXPECT_EQ(sostituisciSegnaposto(QStringLiteral("out/§DescAzie§_§NumDoc§"), post, az, id, quando,
                                    {{QStringLiteral("NumDoc"), QStringLiteral("12/A")}}, true),
              QStringLiteral("out/A_B Srl_12_A"));

    Profilo p;
    ImpostazioneStampa imp = impostazione(p.ini);
    EXPECT_TRUE(imp.nomePdf({}, p.dir.path(), quando).isEmpty());
    EXPECT_FALSE(imp.leggiPdfAutomatico().attivo(OpzioniStampa{}));
    p.metti(SezioneOpzioni, QStringLiteral("PdfAutomAbil"), QStringLiteral("S"));
    p.metti(SezioneOpzioni, QStringLiteral("UsaPdf995"), QStringLiteral("S"));
    p.metti(SezioneOpzioni, QStringLiteral("PdfNomeFile"), QStringLiteral("§CodSta§_§NumDoc§_§DataRov§"));
    OpzioniStampa o;
    EXPECT_FALSE(imp.leggiPdfAutomatico().attivo(o)); // allowed, but not chosen
    o.pdfNomeAutom = true;
    EXPECT_TRUE(imp.leggiPdfAutomatico().attivo(o));
    EXPECT_EQ(imp.nomePdf({{QStringLiteral("NumDoc"), QStringLiteral("12/A")}}, p.dir.path(), quando),
              p.dir.filePath(QStringLiteral("StFatPas_12_A_20260305.pdf")));
    p.metti(SezioneOpzioni, QStringLiteral("PathDefault"), QStringLiteral("/srv/pdf"));
    EXPECT_EQ(imp.nomePdf({{QStringLiteral("NumDoc"), QStringLiteral("9")}}, p.dir.path(), quando),
              QStringLiteral("/srv/pdf/StFatPas_9_20260305.pdf"));
}

TEST(ImpostazioneStampa, NoCopieStaNamesThePrintsLimitedToOneCopy) {
    ParametriProgramma p;
    EXPECT_TRUE(p.copieConsentite(QStringLiteral("StFatPas")));
    p.noCopieSta = QStringLiteral("StOrdini,stfatpas,");
    EXPECT_FALSE(p.copieConsentite(QStringLiteral("StFatPas")));
    EXPECT_TRUE(p.copieConsentite(QStringLiteral("StFat")));
    p.noCopieSta = QStringLiteral("tutti,");
    EXPECT_FALSE(p.copieConsentite(QStringLiteral("StFat")));
}

class IdentitaMenu : public tesel::prova::ConDatabase {};

TEST_F(IdentitaMenu, CaptionAndDescriptionComeFromTheMenuRowWhenSwitchedOn) {
    tesel::schema::creaSchema(db(), tesel::schema::tabelleComuni());
    db().EseguiSql(QStringLiteral(
        "INSERT INTO MenuDett (Codice, Descrizione, Chiave, ChiaveSec, Caption, DescPrg) VALUES "
        "('FE04', 'x', 40, 2, 'Stampa fatture ricevute', 'Stampa delle fatture d''acquisto')"));
    const QString cod = QStringLiteral("StFatPas");
    const QString tit = QStringLiteral("Stampa Fatture Passive");
    IdentitaStampa id = leggiIdentita(db(), 40, 2, cod, tit, true, true);
    EXPECT_EQ(id.titolo, QStringLiteral("Stampa fatture ricevute"));
    EXPECT_EQ(id.descPrg, QStringLiteral("Stampa delle fatture d'acquisto"));
    EXPECT_EQ(id.codSta, cod);
    id = leggiIdentita(db(), 40, 2, cod, tit, false, true);
    EXPECT_EQ(id.titolo, tit);
    id = leggiIdentita(db(), 40, 3, cod, tit, true, true); // no such row
    EXPECT_EQ(id.titolo, tit);
    EXPECT_TRUE(id.descPrg.isEmpty());
}

TEST(IniOpzSta, ResolvesThePrinterAndReportsEachProblem) {
    struct Caso {
        const char* nome;
        ElencoStampanti elenco;
        QString scelta;
        UsoVerifica uso;
        QString attesa;
        QStringList messaggi;
    };
    const QStringList lista{QStringLiteral("Ufficio"), QStringLiteral("Magazzino"),
                            QStringLiteral("Laser@POST7")};
    const QString dialogo = QStringLiteral("Attenzione: la stampante richiesta non è disponibile (Vecchia)\n"
                                           "Uscire e rientrare e scegliere direttamente questa stampante");
    const std::vector<Caso> casi{
        {"scelta disponibile",
         {lista, QStringLiteral("Ufficio")},
         QStringLiteral("Magazzino"),
         UsoVerifica::Stampa,
         QStringLiteral("Magazzino"),
         {}},
        {"nessuna scelta: la predefinita",
         {lista, QStringLiteral("Ufficio")},
         {},
         UsoVerifica::Stampa,
         QStringLiteral("Ufficio"),
         {}},
        {"scelta sparita, in stampa",
         {lista, QStringLiteral("Ufficio")},
         QStringLiteral("Vecchia"),
         UsoVerifica::Stampa,
         QStringLiteral("Ufficio"),
         {QStringLiteral("Impossibile impostare la stampante predefinita\nLa stampa verrà fatta su Ufficio\n"
                         "per stampare su Vecchia uscire dal programma e rientrare")}},
        {"scelta sparita, nel dialogo",
         {lista, QStringLiteral("Ufficio")},
         QStringLiteral("Vecchia"),
         UsoVerifica::Dialogo,
         QStringLiteral("Ufficio"),
         {dialogo}},
        {"nessuna predefinita",
         {lista, {}},
         {},
         UsoVerifica::Stampa,
         {},
         {QStringLiteral(
             "Stampante di default non disponibile\nAndare in selezione stampanti per scegliere una o "
             "impostare la stampante di default da windows")}},
        {"predefinita non in lista",
         {lista, QStringLiteral("Tolta")},
         QStringLiteral("Ufficio"),
         UsoVerifica::Stampa,
         QStringLiteral("Ufficio"),
         {QStringLiteral("Nella lista delle stampanti non è disponibile la stampante predefinita\n"
                         "Uscire dal programma e rientrare per avere impostato la stampante predefinita")}},
        {"predefinita di un'altra sessione, in stampa",
         {lista, QStringLiteral("Laser@POST7")},
         {},
         UsoVerifica::Stampa,
         {},
         {QStringLiteral("Stampante di default di altra sessione (Laser@POST7)\n"
                         "Andare in selezione stampanti per scegliere quella del computer in uso")}},
        {"predefinita di un'altra sessione, nel dialogo",
         {lista, QStringLiteral("Laser@POST7")},
         {},
         UsoVerifica::Dialogo,
         {},
         {QStringLiteral("La stampante (Laser@POST7) predefinita appartiene ad un'altra sessione\n"
                         "Scegliere una stampante o cambiare la stampante predefinita")}},
        {"scelta di un'altra sessione",
         {lista, QStringLiteral("Ufficio")},
         QStringLiteral("Laser@POST7"),
         UsoVerifica::Stampa,
         QStringLiteral("Ufficio"),
         {QStringLiteral("Impossibile impostare la stampante predefinita\nLa stampa verrà fatta su Ufficio\n"
                         "per stampare su Laser@POST7 uscire dal programma e rientrare")}},
    };
    SessioniStampanti sess;
    sess.termSessAggNome = true;
    sess.terminale = Term;
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.nome);
        InterazioneProva ui;
        const EsitoStampante e = IniOpzSta(c.elenco, c.scelta, sess, c.uso, ui);
        EXPECT_EQ(e.stampante, c.attesa);
        EXPECT_EQ(ui.testiMostrati(), c.messaggi);
        EXPECT_EQ(e.problemi, !c.messaggi.isEmpty());
    }
    // The session rules come from the options, for this workstation.
    Profilo p;
    p.metti(SezioneOpzioni, QStringLiteral("TermSessAggNome"), QStringLiteral("S"));
    p.metti(SezioneOpzioni, QStringLiteral("Stampanti"), QStringLiteral("Etichette@POST7, Laser@POST8"));
    const SessioniStampanti letta = impostazione(p.ini).leggiSessioni();
    EXPECT_TRUE(letta.altraSessione(QStringLiteral("Laser@POST7")));
    EXPECT_FALSE(letta.altraSessione(QStringLiteral("Laser@POST8")));
    EXPECT_FALSE(letta.altraSessione(QStringLiteral("Laser@post3")));
    // Without session naming, and for a queue listed in "Stampanti", "@host" means nothing.
    EXPECT_FALSE((SessioniStampanti{false, {}, Term}).altraSessione(QStringLiteral("Laser@POST7")));
    EXPECT_FALSE((SessioniStampanti{true, {QStringLiteral("laser@post7")}, Term}.altraSessione(
        QStringLiteral("Laser@POST7"))));
    EXPECT_FALSE(sess.altraSessione(QStringLiteral("Laser@post3")));
    EXPECT_FALSE(sess.altraSessione(QStringLiteral("Laser@localhost")));
}
