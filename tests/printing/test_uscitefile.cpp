// The outputs made from the record of a print: the data file (xlsx read back from the zip, csv
// bytes) and the fixed-length text, and the print options that choose them saved and read back.

#include "frame/ini.h"
#include "printing/impostazione.h"
#include "printing/parametriemail.h"
#include "printing/uscitefile.h"
#include "support/interazioneprova.h"
#include "xlsxprova.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace tesel::stampa {
namespace {

Operazione testo(int pagina, double x, double y, double larghezza, const QString& t,
                 Allineamento a = Allineamento::Sinistra) {
    Operazione o;
    o.tipo = TipoOperazione::Testo;
    o.pagina = pagina;
    o.x = x;
    o.y = y;
    o.larghezza = larghezza;
    o.testo = t;
    o.allineamento = a;
    return o;
}

// A small list as a report draws it: a heading, two rows of description, code and amount, the
// second row's amount negative; a rule and a page break that carry no text.
std::vector<Operazione> elenco() {
    std::vector<Operazione> ops;
    ops.push_back({TipoOperazione::NuovaPagina, 1, 0, 0, 0, 0, 0, {}, {}, Allineamento::Sinistra, false});
    ops.push_back(testo(1, 10, 10, 60, QStringLiteral("Descrizione")));
    ops.push_back(testo(1, 75, 10, 30, QStringLiteral("P.IVA")));
    ops.push_back(testo(1, 110, 10, 40, QStringLiteral("Importo"), Allineamento::Destra));
    ops.push_back({TipoOperazione::Riga, 1, 10, 14, 0.2, 150, 14, {}, {}, Allineamento::Sinistra, false});
    ops.push_back(testo(1, 10, 16, 60, QStringLiteral("Carta; A4 \"extra\"")));
    ops.push_back(testo(1, 75, 16, 30, QStringLiteral("01234567890")));
    ops.push_back(testo(1, 110, 16, 40, QStringLiteral("1.234,50"), Allineamento::Destra));
    ops.push_back(testo(2, 10, 10, 60, QStringLiteral("Toner")));
    ops.push_back(testo(2, 110, 10, 40, QStringLiteral("-3,1"), Allineamento::Destra));
    ops.push_back(testo(2, 75, 10, 30, QStringLiteral("22")));
    return ops;
}

} // namespace

TEST(UsciteFile, OnlyNumbersWrittenTheItalianWayBecomeNumbersAndCodesStayTexts) {
    struct Caso {
        const char* testo;
        bool numero;
        const char* valore;
        int decimali;
    };
    for (const Caso& c :
         {Caso{"1.234,50", true, "1234.50", 2}, Caso{"-3,1", true, "-3.1", 1}, Caso{"22", true, "22", 0},
          Caso{"0", true, "0", 0}, Caso{"0,00", true, "0.00", 2}, Caso{"1.000.000", true, "1000000", 0},
          Caso{"01234567890", false, "", 0}, Caso{"0123", false, "", 0}, Caso{"1234567890", false, "", 0},
          Caso{"12/2024", false, "", 0}, Caso{"1.23", false, "", 0}, Caso{"1,234.50", false, "", 0},
          Caso{"31/12/2024", false, "", 0}, Caso{"IT01234", false, "", 0}}) {
        SCOPED_TRACE(c.testo);
        CellaDati cella;
        EXPECT_EQ(leggiNumero(QString::fromUtf8(c.testo), cella), c.numero);
        if (c.numero) {
            EXPECT_EQ(cella.valore, QString::fromUtf8(c.valore));
            EXPECT_EQ(cella.decimali, c.decimali);
        }
    }
}

TEST(UsciteFile, TheTableKeepsEveryPrintedLineAsARowAndEveryBoxEdgeAsAColumn) {
    const std::vector<RigaDati> t = tabellaDaOperazioni(elenco());
    ASSERT_EQ(t.size(), 3u);
    ASSERT_EQ(t[0].size(), 3u);
    EXPECT_EQ(t[0][2].testo, QStringLiteral("Importo"));
    EXPECT_EQ(t[1][1].testo, QStringLiteral("01234567890"));
    EXPECT_FALSE(t[1][1].numero);
    EXPECT_TRUE(t[1][2].numero);
    // The second page's row keeps its columns although its texts came out of order.
    ASSERT_EQ(t[2].size(), 3u);
    EXPECT_EQ(t[2][0].testo, QStringLiteral("Toner"));
    EXPECT_EQ(t[2][1].valore, QStringLiteral("22"));
    EXPECT_EQ(t[2][2].valore, QStringLiteral("-3.1"));
}

TEST(UsciteFile, TheSpreadsheetHoldsTheCellsWithNumbersAsNumbersInThePrintedFormat) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("stampa.xlsx"));
    for (const bool senzaFormato : {false, true}) {
        SCOPED_TRACE(senzaFormato);
        OpzioniFileDati o;
        o.formato = FormatoFile::Xlsx;
        o.numeriSenzaFormato = senzaFormato;
        QString errore;
        ASSERT_TRUE(scriviFileDati(tabellaDaOperazioni(elenco()), file, o, errore)) << errore.toStdString();
        const QHash<QString, prova::CellaXlsx> c = prova::leggiXlsx(file, &errore);
        ASSERT_FALSE(c.isEmpty()) << errore.toStdString();
        EXPECT_FALSE(c[QStringLiteral("A1")].numero);
        EXPECT_EQ(c[QStringLiteral("A1")].valore, QStringLiteral("Descrizione"));
        EXPECT_EQ(c[QStringLiteral("A2")].valore, QStringLiteral("Carta; A4 \"extra\""));
        EXPECT_FALSE(c[QStringLiteral("B2")].numero);
        EXPECT_EQ(c[QStringLiteral("B2")].valore, QStringLiteral("01234567890"));
        EXPECT_TRUE(c[QStringLiteral("C2")].numero);
        EXPECT_DOUBLE_EQ(c[QStringLiteral("C2")].valore.toDouble(), 1234.5);
        EXPECT_TRUE(c[QStringLiteral("C3")].numero);
        EXPECT_DOUBLE_EQ(c[QStringLiteral("C3")].valore.toDouble(), -3.1);
        EXPECT_TRUE(c[QStringLiteral("B3")].numero);
        EXPECT_EQ(c[QStringLiteral("B3")].valore, QStringLiteral("22"));
        EXPECT_EQ(c[QStringLiteral("C2")].formato, senzaFormato ? QString() : QStringLiteral("#,##0.00"));
        EXPECT_EQ(c[QStringLiteral("C3")].formato, senzaFormato ? QString() : QStringLiteral("#,##0.0"));
        EXPECT_FALSE(c.contains(QStringLiteral("D1")));
    }
}

TEST(UsciteFile, TheDelimitedFileQualifiesTextsAndLosesNoColumn) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("stampa.csv"));
    struct Caso {
        QChar separatore;
        QString qualificatore;
        bool senzaFormato;
        QByteArray riga2;
    };
    for (const Caso& c :
         {Caso{QLatin1Char(';'), QString(), false, "\"Carta; A4 \"\"extra\"\"\";01234567890;1.234,50\r\n"},
          Caso{QLatin1Char('\t'), QStringLiteral("'"), true,
               "'Carta; A4 \"extra\"'\t'01234567890'\t1234,50\r\n"},
          Caso{QLatin1Char(','), QStringLiteral("\""), false,
               "\"Carta; A4 \"\"extra\"\"\",\"01234567890\",\"1.234,50\"\r\n"}}) {
        SCOPED_TRACE(c.riga2.toStdString());
        OpzioniFileDati o;
        o.separatore = c.separatore;
        o.qualificatore = c.qualificatore;
        o.numeriSenzaFormato = c.senzaFormato;
        QString errore;
        ASSERT_TRUE(scriviFileDati(tabellaDaOperazioni(elenco()), file, o, errore));
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QList<QByteArray> righe = f.readAll().split('\n');
        ASSERT_EQ(righe.size(), 4); // three rows and the end
        EXPECT_TRUE(righe[0].startsWith("\xEF\xBB\xBF"));
        EXPECT_EQ(righe[1] + '\n', c.riga2);
    }
    // A folder that does not exist is told, not created.
    QString errore;
    EXPECT_FALSE(scriviFileDati({}, dir.filePath(QStringLiteral("manca/x.csv")), {}, errore));
    EXPECT_TRUE(errore.startsWith(QStringLiteral("La cartella del file di stampa non esiste")));
}

TEST(UsciteFile, TheFixedLengthPageHasItsRowsColumnsBlankRowsAndSequences) {
    OpzioniFissa o;
    o.colonne = 60;
    o.righe = 12;
    o.righeVuoteAlto = 2;
    o.righeVuoteBasso = 1;
    o.compresso = true;
    o.inizioCompresso = QByteArray("\x1b\x0f");
    o.fineCompresso = QByteArray("\x12");
    // 150 mm wide over 60 columns: 2.5 mm a column; 90 mm high over 9 rows: 10 mm a row.
    const QByteArray t = testoLunghezzaFissa(elenco(), 150, 90, o);
    ASSERT_TRUE(t.startsWith("\x1b\x0f"));
    ASSERT_TRUE(t.endsWith("\r\n\x12"));
    const QList<QByteArray> righe = t.mid(2, t.size() - 3).split('\n');
    ASSERT_EQ(righe.size(), 2 * 12 + 1); // two pages of 12 rows, then the end
    for (int i : {0, 1, 11, 12, 13, 23})
        EXPECT_EQ(righe[i], "\r") << i;
    // Page 1: the heading at 10 mm is the second printable row, the row at 16 mm the next one
    // (rows never merge); "Descrizione" at column 4, the amount ending at column 60.
    const QByteArray testa = righe[3].chopped(1);
    EXPECT_EQ(testa.indexOf("Descrizione"), 4);
    EXPECT_EQ(testa.indexOf("P.IVA"), 30);
    EXPECT_TRUE(testa.endsWith("Importo"));
    EXPECT_EQ(testa.size(), 60);
    const QByteArray riga = righe[4].chopped(1);
    EXPECT_TRUE(riga.endsWith("1.234,50")) << riga.toStdString();
    EXPECT_EQ(riga.size(), 60);
    EXPECT_EQ(riga.indexOf("01234567890"), 30);
    EXPECT_TRUE(riga.startsWith("    Carta; A4 \"extra\"")) << riga.toStdString();
    // Page 2.
    EXPECT_TRUE(righe[15].contains("Toner"));
    EXPECT_TRUE(righe[15].chopped(1).endsWith("-3,1"));
}

TEST(UsciteFile, AFixedLengthPageWithMoreLinesThanRowsGoesOnToTheNextSheet) {
    std::vector<Operazione> ops;
    for (int i = 0; i < 25; ++i)
        ops.push_back(testo(1, 0, i * 4.0, 50, QStringLiteral("Riga %1").arg(i + 1)));
    OpzioniFissa o;
    o.colonne = 40;
    o.righe = 10;
    const QByteArray t = testoLunghezzaFissa(ops, 100, 100, o);
    const QList<QByteArray> righe = t.split('\n');
    ASSERT_EQ(righe.size(), 3 * 10 + 1);
    for (int i = 0; i < 25; ++i)
        EXPECT_EQ(righe[i].chopped(1), QStringLiteral("Riga %1").arg(i + 1).toLatin1());
    // A text longer than its box pushes the next one on: nothing is overwritten.
    ops = {testo(1, 0, 0, 10, QStringLiteral("Descrizione lunga")),
           testo(1, 10, 0, 10, QStringLiteral("XYZ"))};
    EXPECT_TRUE(testoLunghezzaFissa(ops, 100, 100, o).startsWith("Descrizione lunga XYZ\r\n"));
    // A rate drawn a little under its amount joins the amount's row; a text that would overlap
    // the row takes the next one.
    ops = {testo(1, 0, 20, 20, QStringLiteral("250,00")), testo(1, 30, 21.5, 10, QStringLiteral("22")),
           testo(1, 0, 22, 20, QStringLiteral("Nota"))};
    const QList<QByteArray> unite = testoLunghezzaFissa(ops, 100, 100, o).split('\n');
    EXPECT_EQ(unite[2], "250,00      22\r");
    EXPECT_EQ(unite[3], "Nota\r");
    // Characters the printer's code page cannot hold are marked, the rest is Latin-1.
    ops = {testo(1, 0, 0, 50, QStringLiteral("Città € 5"))};
    EXPECT_TRUE(testoLunghezzaFissa(ops, 100, 100, o).startsWith("Citt\xe0 ? 5\r\n"));
}

TEST(UsciteFile, FixedLengthFieldsAreChecked) {
    EXPECT_EQ(sequenzaDaTesto(QStringLiteral("27, 15")), QByteArray("\x1b\x0f"));
    EXPECT_EQ(sequenzaDaTesto(QString()), QByteArray());
    EXPECT_FALSE(sequenzaDaTesto(QStringLiteral("27,256")));
    EXPECT_FALSE(sequenzaDaTesto(QStringLiteral("ESC")));
    EXPECT_EQ(sequenzaATesto(QByteArray("\x1b\x0f")), QStringLiteral("27,15"));
    OpzioniFissa o;
    EXPECT_TRUE(controllaOpzioniFissa(o).isEmpty());
    o.righeVuoteAlto = 40;
    o.righeVuoteBasso = 22;
    EXPECT_EQ(controllaOpzioniFissa(o),
              QStringLiteral("Le righe vuote in alto e in basso lasciano meno di 5 righe per la stampa"));
    o = {};
    o.colonne = 10;
    EXPECT_EQ(controllaOpzioniFissa(o),
              QStringLiteral("Il numero di colonne deve essere compreso tra 20 e 400"));
}

TEST(UsciteFile, TheOptionsSavedInTheFourWaysAreReadBackByTheSetUpLayer) {
    QTemporaryDir dir;
    const QString percorso = dir.filePath(QStringLiteral("tesel.ini"));
    const QString term = QStringLiteral("UFFICIO2");
    struct Caso {
        Ambito ambito;
        Zona zona;
        const char* chiave;
    };
    for (const Caso& c : {Caso{Ambito::Comune, Zona::Predefinita, "SepCampi"},
                          Caso{Ambito::Comune, Zona::SoloStampa, "StFatPas.SepCampi"},
                          Caso{Ambito::Postazione, Zona::Predefinita, "@UFFICIO2.SepCampi"},
                          Caso{Ambito::Postazione, Zona::SoloStampa, "@UFFICIO2.StFatPas.SepCampi"}}) {
        SCOPED_TRACE(c.chiave);
        QFile::remove(percorso);
        FileIni ini(percorso);
        QString errore;
        ASSERT_TRUE(salvaOpzioni(ini,
                                 {{QStringLiteral("StaVid"), QStringLiteral("Fissa")},
                                  {QStringLiteral("SepCampi"), QStringLiteral("Tabulatore")},
                                  {QStringLiteral("DelimStr"), QStringLiteral("Apice")},
                                  {QStringLiteral("FileForm"), QStringLiteral("xlsx")},
                                  {QStringLiteral("FisColonne"), QStringLiteral("136")},
                                  {QStringLiteral("FisCodIniComp"), QStringLiteral("27,15")},
                                  {QStringLiteral("EmailTipoInvio"), QStringLiteral("See")}},
                                 c.ambito, c.zona, term, QStringLiteral("StFatPas"), errore))
            << errore.toStdString();
        // Read from the file as another program run would.
        const FileIni letto(percorso);
        EXPECT_EQ(letto.value(SezioneOpzioni, QString::fromLatin1(c.chiave)), QStringLiteral("Tabulatore"));
        prova::InterazioneProva ui;
        const ImpostazioneStampa imp(letto, Postazione{term, {}, {}},
                                     IdentitaStampa{QStringLiteral("StFatPas"), {}, {}});
        const OpzioniStampa o = imp.leggiOpzioni(ui);
        EXPECT_TRUE(ui.mostrati.isEmpty());
        EXPECT_EQ(o.staVid, DoveStampare::Fissa);
        EXPECT_EQ(o.file.separatore, QLatin1Char('\t'));
        EXPECT_EQ(o.file.qualificatore, QStringLiteral("'"));
        EXPECT_EQ(o.file.formato, FormatoFile::Xlsx);
        EXPECT_EQ(o.fissa.colonne, 136);
        EXPECT_EQ(o.fissa.inizioCompresso, QByteArray("\x1b\x0f"));
        EXPECT_EQ(imp.opzione(SezioneOpzioni, QStringLiteral("EmailTipoInvio")), QStringLiteral("See"));
        // Another print, or another workstation, sees only what was saved for it.
        const ImpostazioneStampa altra(letto, Postazione{QStringLiteral("CASSA"), {}, {}},
                                       IdentitaStampa{QStringLiteral("Altra"), {}, {}});
        const bool vale = c.ambito == Ambito::Comune && c.zona == Zona::Predefinita;
        EXPECT_EQ(altra.leggiOpzioni(ui).fissa.colonne, vale ? 136 : 80);

        // Deleting one scope leaves the others.
        FileIni canc(percorso);
        ASSERT_TRUE(canc.set(SezioneOpzioni, QStringLiteral("SepCampi"), QStringLiteral("Virgola")));
        ASSERT_TRUE(canc.save());
        EXPECT_EQ(cancellaOpzioni(canc, {QStringLiteral("SepCampi"), QStringLiteral("FisColonne")}, c.ambito,
                                  c.zona, term, QStringLiteral("StFatPas")),
                  2);
        const FileIni dopo(percorso);
        const ImpostazioneStampa imp2(dopo, Postazione{term, {}, {}},
                                      IdentitaStampa{QStringLiteral("StFatPas"), {}, {}});
        const OpzioniStampa o2 = imp2.leggiOpzioni(ui);
        EXPECT_EQ(o2.file.separatore, vale ? QLatin1Char(';') : QLatin1Char(','));
        EXPECT_EQ(o2.fissa.colonne, 80);
        EXPECT_EQ(o2.file.qualificatore, QStringLiteral("'"));
    }
}

TEST(UsciteFile, AWrongSavedFileOrFixedOptionIsToldAndKeepsItsDefault) {
    QTemporaryDir dir;
    FileIni ini(dir.filePath(QStringLiteral("tesel.ini")));
    ASSERT_TRUE(ini.set(SezioneOpzioni, QStringLiteral("SepCampi"), QStringLiteral("Pipe")));
    ASSERT_TRUE(ini.set(SezioneOpzioni, QStringLiteral("FisCodIniComp"), QStringLiteral("ESC")));
    prova::InterazioneProva ui;
    const ImpostazioneStampa imp(ini, Postazione{QStringLiteral("T"), {}, {}},
                                 IdentitaStampa{QStringLiteral("X"), {}, {}});
    const OpzioniStampa o = imp.leggiOpzioni(ui);
    EXPECT_EQ(o.file.separatore, QLatin1Char(';'));
    EXPECT_TRUE(o.fissa.inizioCompresso.isEmpty());
    ASSERT_EQ(ui.mostrati.size(), 1);
    EXPECT_EQ(ui.mostrati[0].testo, QStringLiteral("(IniOpzSta) Problemi nei parametri"));
}

TEST(UsciteFile, EachPdfEmailCheckHasItsMessage) {
    QTemporaryDir dir;
    const auto buoni = [&] {
        return QHash<QString, QString>{
            {QStringLiteral("EmailTipoInvio"), QStringLiteral("See")},
            {QStringLiteral("EmailUsaSSL"), QStringLiteral("S")},
            {QStringLiteral("EmailInd"), QStringLiteral("amministrazione@rossi.it")},
            {QStringLiteral("EmailTo1"), QStringLiteral("fornitore@esempio.com")},
            {QStringLiteral("EmailNumPorta"), QStringLiteral("465")},
            {QStringLiteral("EmailDirStunnel"), dir.path()}};
    };
    EXPECT_TRUE(controllaParametriEmail(buoni()).isEmpty());
    struct Caso {
        const char* nome;
        QString valore;
        QString messaggio;
    };
    for (const Caso& c :
         {Caso{"EmailTipoInvio", QStringLiteral("CDO"),
               QStringLiteral("L'uso di SSL è possibile solo usando tipo invio 'See'")},
          Caso{"EmailDirStunnel", dir.filePath(QStringLiteral("manca")),
               QStringLiteral("La directory stunnel è inesistente")},
          Caso{"EmailInd", QStringLiteral("amministrazione.rossi.it"),
               QStringLiteral(
                   "Indirizzo email di chi invia: indirizzo email non valido (amministrazione.rossi.it)")},
          Caso{"EmailReplay", QStringLiteral("a@b"),
               QStringLiteral("Indirizzo di replay: indirizzo email non valido (a@b)")},
          Caso{"EmailTo2", QStringLiteral("x y@z.it"),
               QStringLiteral("Email destinatario 2: indirizzo email non valido (x y@z.it)")},
          Caso{"EmailNumPorta", QStringLiteral("70000"),
               QStringLiteral("Numero porta SMTP: deve essere un numero da 1 a 65535")},
          Caso{"EmailTipoInvio", QStringLiteral("Fax"),
               QStringLiteral("Tipo Invio: valore non previsto (Fax)")}}) {
        SCOPED_TRACE(c.nome);
        QHash<QString, QString> v = buoni();
        v.insert(QString::fromLatin1(c.nome), c.valore);
        const QStringList errori = controllaParametriEmail(v);
        EXPECT_TRUE(errori.contains(c.messaggio)) << errori.join(u'|').toStdString();
    }
    // Without SSL the send type is free, and no stunnel folder is asked for.
    QHash<QString, QString> v = buoni();
    v.insert(QStringLiteral("EmailUsaSSL"), QStringLiteral("N"));
    v.insert(QStringLiteral("EmailTipoInvio"), QStringLiteral("Sendmail"));
    v.remove(QStringLiteral("EmailDirStunnel"));
    EXPECT_TRUE(controllaParametriEmail(v).isEmpty());
}

} // namespace tesel::stampa
