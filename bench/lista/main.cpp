// The list component on a company database of 100,000 received invoices: how long it takes
// to show the first rows, to reach the end, to move through the table page by page and by
// jumps, to search, sort, filter and export. Prints the figures; asserts nothing.
//
//   bench_lista [--righe N] [--foto] [--db FILE] [--indice-ordine]
//   --foto saves /tmp/lista-bench.png and /tmp/lista-ricerca.png; --db keeps the database in FILE;
//   --indice-ordine adds an index on the list's order (DataRicSdi, XmlNumRif, XmlAnno), to see
//   what it saves on the jumps (an OFFSET then skips index entries instead of table rows).

#include "frame/currency.h"
#include "frame/database.h"
#include "frame/interazione.h"
#include "printing/lumostampe.h"
#include "schema/demo.h"
#include "schema/schema.h"
#include "ui/finestraricerca.h"
#include "ui/lista.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace tesel;
using namespace tesel::ui;

namespace {

struct Fornitore {
    const char* conto;
    const char* partitaIva;
    const char* nome;
    const char* causale;
};

// The demo company's suppliers.
const std::vector<Fornitore> Fornitori{
    {"1001", "03981270683", "Ferramenta Adriatica Srl", "FAA"},
    {"1002", "02157840378", "Cartoleria Moderna Snc di Conti & C.", "FAA"},
    {"1003", "07623940157", "Energia Verde Distribuzione SpA", "FAA"},
    {"1004", "01844360220", "Telecomunicazioni Alpine Srl", "FAA"},
    {"1005", "03569210234", "Bianchi Laura", "PAR"},
    {"1006", "08973450631", "Esposito Marco", "PAR"},
    {"1007", "04216780165", "Trasporti Rapidi Lombardi Srl", "FAA"},
    {"1008", "05933020264", "Edilcostruzioni Valle Srl", "FRC"},
    {"1009", "06788140017", "Software Cloud Europa Srl", "FAA"},
    {"1010", "02744190428", "Ricci Paolo", "PAR"},
    {"1011", "07122570729", "Metalli e Rottami Sud Srl", "FRC"},
    {"1012", "06651830488", "Greco Andrea", "FAA"},
};

QString t(const QString& s) {
    return SqlValore(s, SqlTesto);
}

// Invoices of 2022-2024, numbered within their year, received in date order through the
// year; one in twelve a credit note; older ones printed and posted.
void popola(Database& db, int n) {
    QRandomGenerator caso(20240312);
    const int anni = 3;
    const int perAnno = (n + anni - 1) / anni;
    Transazione tr(db);
    QStringList righe;
    auto scrivi = [&] {
        db.EseguiSql(
            "INSERT INTO FatXmlTest (XmlAnno, XmlNumRif, NomeFile, identificativoSdi, DataRicSdi, "
            "Stampato, Contabilizzato, GruppoFor, MastroFor, ContoFor, Causale, Moneta, "
            "CP_DA_IdFiscaleIVA_IdPaese, CP_DA_IdFiscaleIVA_IdCodice, CP_DA_Anagrafica_Denominazione, "
            "DGD_TipoDocumento, DGD_Divisa, DGD_Data, DGD_Numero, DGD_ImportoTotaleDocumento) VALUES " +
            righe.join(", "));
        righe.clear();
    };
    for (int i = 0; i < n; ++i) {
        const int anno = 2022 + i / perAnno;
        const int numero = i % perAnno + 1;
        const Fornitore& f = Fornitori[caso.bounded(static_cast<int>(Fornitori.size()))];
        const bool nota = caso.bounded(12) == 0;
        const QDate giorno = QDate(anno, 1, 2).addDays(numero * 360 / perAnno);
        const QDateTime ricevuta(giorno, QTime(8 + caso.bounded(10), caso.bounded(60), caso.bounded(60)));
        const QDate documento = giorno.addDays(-caso.bounded(6));
        const Currency totale = Currency::daDecimillesimi((1000 + caso.bounded(2000000)) * 100LL);
        const bool vecchia = anno < 2024 || numero < perAnno / 2;
        righe << "(" +
                     QStringList{QString::number(anno),
                                 QString::number(numero),
                                 t(QStringLiteral("IT%1_%2.xml")
                                       .arg(QLatin1String(f.partitaIva))
                                       .arg(i, 6, 36, QChar(u'0'))),
                                 t(QString::number(8000000000LL + i)),
                                 SqlValore(ricevuta, SqlData),
                                 t(vecchia ? "S" : "N"),
                                 t(vecchia && caso.bounded(20) != 0 ? "S" : "N"),
                                 t("40"),
                                 t("10"),
                                 t(f.conto),
                                 t(nota ? "NCA" : f.causale),
                                 t("EUR"),
                                 t("IT"),
                                 t(f.partitaIva),
                                 t(f.nome),
                                 t(nota ? "TD04" : "TD01"),
                                 t("EUR"),
                                 SqlValore(documento, SqlData),
                                 t(QStringLiteral("%1/%2").arg(caso.bounded(1, 5000)).arg(anno % 100)),
                                 (nota ? -totale : totale).testoSql()}
                         .join(", ") +
                     ")";
        if (righe.size() == 500)
            scrivi();
    }
    if (!righe.isEmpty())
        scrivi();
    tr.conferma();
}

// The received-invoice list as its form registers it.
void colonne(LumoComlin& l) {
    l.impostaTabella("FatXmlTest");
    l.aggiungiColonna({"Anno", "FatXmlTest.XmlAnno", "XmlAnno", TipoColonna::Intero, {}, 700});
    l.aggiungiColonna({"Numero", "FatXmlTest.XmlNumRif", "XmlNumRif", TipoColonna::Intero, {}, 700});
    l.aggiungiColonna({"DataRicez", "FatXmlTest.DataRicSdi", "DataRicez", TipoColonna::Data, {}, 1000});
    l.aggiungiColonna({"NumDoc", "FatXmlTest.DGD_Numero", "NumDoc", TipoColonna::Testo, {}, 1400});
    l.aggiungiColonna({"DataDoc", "FatXmlTest.DGD_Data", "DataDoc", TipoColonna::Data, {}, 1000});
    l.aggiungiColonna({"Causale", "FatXmlTest.Causale", "Causale", TipoColonna::Testo, {}, 600});
    l.aggiungiColonna(
        {"PartitaIva", "FatXmlTest.CP_DA_IdFiscaleIVA_IdCodice", "PartitaIva", TipoColonna::Testo, {}, 1250});
    l.aggiungiColonna({"Fornitore",
                       "FatXmlTest.GruppoFor || '-' || FatXmlTest.MastroFor || '-' || FatXmlTest.ContoFor",
                       "Fornitore",
                       TipoColonna::Testo,
                       {},
                       1200});
    l.aggiungiColonna(
        {"TotaleDoc", "FatXmlTest.DGD_ImportoTotaleDocumento", "TotaleDoc", TipoColonna::Valuta, {}, 1400});
    l.aggiungiColonna({"Stampato", "FatXmlTest.Stampato", "Stampato"});
    l.aggiungiColonna({"Contabilizzato", "FatXmlTest.Contabilizzato", "Contabilizzato"});
    l.impostaChiave({"FatXmlTest.XmlAnno", "FatXmlTest.XmlNumRif"});
    l.impostaOrdinePredefinito({{"FatXmlTest.DataRicSdi"}, {"FatXmlTest.XmlNumRif"}});
}

double ms(const QElapsedTimer& t) {
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

void riga(const char* cosa, double millisecondi, const QString& nota = {}) {
    std::printf("  %-52s %10.1f ms  %s\n", cosa, millisecondi, qPrintable(nota));
}

// Paints the grid now, as the screen would.
void disegna(LumoComlin& l) {
    l.dbgRiga->viewport()->repaint();
}

struct Serie {
    std::vector<double> tempi;
    void stampa(const char* cosa) const {
        std::vector<double> v = tempi;
        std::sort(v.begin(), v.end());
        double somma = 0;
        for (double x : v)
            somma += x;
        riga(cosa, somma,
             QStringLiteral("%1 mosse, media %2 ms, mediana %3 ms, massimo %4 ms")
                 .arg(v.size())
                 .arg(somma / static_cast<double>(v.size()), 0, 'f', 2)
                 .arg(v[v.size() / 2], 0, 'f', 2)
                 .arg(v.back(), 0, 'f', 2));
    }
};

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int n = 100000;
    bool foto = false;
    bool indice = false;
    QString file;
    const QStringList argomenti = app.arguments();
    for (int i = 1; i < argomenti.size(); ++i) {
        if (argomenti[i] == "--righe" && i + 1 < argomenti.size())
            n = argomenti[++i].toInt();
        else if (argomenti[i] == "--foto")
            foto = true;
        else if (argomenti[i] == "--indice-ordine")
            indice = true;
        else if (argomenti[i] == "--db" && i + 1 < argomenti.size())
            file = argomenti[++i];
    }

    QTemporaryDir cartella;
    if (file.isEmpty())
        file = cartella.filePath("azienda.db");
    QFile::remove(file);
    auto db = Database::apri(file);
    schema::creaSchema(*db, schema::tabelleAzienda());
    schema::popolaDemo(*db);
    QElapsedTimer t;
    t.start();
    popola(*db, n);
    if (indice)
        db->EseguiSql("CREATE INDEX bench_ordine ON FatXmlTest (DataRicSdi, XmlNumRif, XmlAnno)");
    std::printf("Lista fatture passive su %d righe di FatXmlTest (SQLite)%s\n", n,
                indice ? ", con l'indice (DataRicSdi, XmlNumRif, XmlAnno)" : "");
    riga("Creazione delle righe (una transazione)", ms(t),
         QStringLiteral("%1 MB").arg(QFileInfo(file).size() / 1048576.0, 0, 'f', 1));

    InterazioneNonPresidiata messaggi; // any message goes to standard error
    LumoComlin l(*db, &messaggi);
    colonne(l);
    QCheckBox contabilizzate;
    l.registraFiltro("Contabilizzato", "=", &contabilizzate);
    l.resize(1280, 720);

    t.restart();
    l.aggiorna();
    l.show();
    QApplication::processEvents();
    disegna(l);
    riga("Apertura: conteggio, prima pagina, disegno", ms(t),
         QStringLiteral("%1 righe, %2 pagine lette").arg(l.righe()).arg(l.modello()->pagineLette()));
    if (foto)
        l.grab().save("/tmp/lista-bench.png");

    t.restart();
    l.dbgRiga->scrollToBottom();
    disegna(l);
    riga("Fino in fondo (scrollToBottom)", ms(t));

    QScrollBar* barra = l.dbgRiga->verticalScrollBar();
    auto mosse = [&](const char* cosa, int quante, auto&& mossa) {
        Serie s;
        for (int i = 0; i < quante; ++i) {
            QElapsedTimer m;
            m.start();
            mossa(i);
            disegna(l);
            s.tempi.push_back(ms(m));
        }
        s.stampa(cosa);
    };
    l.dbgRiga->scrollToTop();
    l.dbgRiga->setCurrentIndex(l.modello()->index(0, 0));
    mosse("Pagina giù dall'inizio (tasto PgGiù)", 300,
          [&](int) { QTest::keyClick(l.dbgRiga, Qt::Key_PageDown); });
    l.dbgRiga->setCurrentIndex(l.modello()->index(l.righe() - 1, 0));
    l.dbgRiga->scrollToBottom();
    mosse("Pagina su dalla fine (tasto PgSu)", 300, [&](int) { QTest::keyClick(l.dbgRiga, Qt::Key_PageUp); });
    QRandomGenerator caso(7);
    mosse("Salti a caso con la barra di scorrimento", 300,
          [&](int) { barra->setValue(caso.bounded(barra->maximum() + 1)); });
    mosse("Trascinamento della barra, inizio -> fine", 200, [&](int i) {
        barra->setValue(static_cast<int>(static_cast<qint64>(barra->maximum()) * (i + 1) / 200));
    });
    riga("(pagine in memoria al termine)", 0,
         QStringLiteral("%1 righe, %2 pagine lette in tutto")
             .arg(l.modello()->righeInMemoria())
             .arg(l.modello()->pagineLette()));

    t.restart();
    int r = l.cerca(l.colonna("Causale"), "NCA", DirezioneRicerca::Ultimo);
    disegna(l);
    riga("Cerca \"NCA\" in Causale, Ultimo", ms(t), QStringLiteral("riga %1").arg(r + 1));
    t.restart();
    r = l.cerca(l.colonna("Causale"), "NCA", DirezioneRicerca::Primo);
    disegna(l);
    riga("Cerca \"NCA\" in Causale, Primo", ms(t), QStringLiteral("riga %1").arg(r + 1));
    t.restart();
    r = l.cerca(l.colonna("NumDoc"), "4999/*", DirezioneRicerca::Successivo);
    disegna(l);
    riga("Cerca \"4999/*\" in NumDoc, Successivo", ms(t), QStringLiteral("riga %1").arg(r + 1));

    t.restart();
    l.ordina(l.colonna("TotaleDoc"));
    disegna(l);
    riga("Ordina per TotaleDoc (senza indice)", ms(t));
    t.restart();
    l.dbgRiga->scrollToBottom();
    disegna(l);
    riga("  poi fino in fondo", ms(t));
    t.restart();
    l.ordina(l.colonna("XmlNumRif"));
    disegna(l);
    riga("Ordina per Numero", ms(t));

    contabilizzate.setCheckState(Qt::Unchecked);
    t.restart();
    l.aggiorna();
    disegna(l);
    riga("Filtro Contabilizzate = \"N\"", ms(t), QStringLiteral("%1 righe").arg(l.righe()));
    contabilizzate.setCheckState(Qt::PartiallyChecked);
    l.aggiorna();

    t.restart();
    const QString csv = cartella.filePath("lista.csv");
    l.esportaCsv(csv);
    riga("Esporta CSV di tutte le righe", ms(t),
         QStringLiteral("%1 MB").arg(QFileInfo(csv).size() / 1048576.0, 0, 'f', 1));

    // The list print: every row to a PDF in landscape, visible columns, Arial 8.
    t.restart();
    {
        const QString pdf = cartella.filePath("lista.pdf");
        stampa::LumoStampe s;
        s.impostaFormato(QPageSize(QPageSize::A4), QPageLayout::Landscape);
        s.registraOperazioni(false);
        s.apriPdf(pdf);
        const stampa::EsitoStampaLista e = l.AvviaStampa(s, true, QFont(QStringLiteral("Arial"), 8));
        s.fine();
        riga("Stampa PDF di tutte le righe", ms(t),
             QStringLiteral("%1 righe, %2 pagine, %3 MB")
                 .arg(e.righe)
                 .arg(e.pagine)
                 .arg(QFileInfo(pdf).size() / 1048576.0, 0, 'f', 1));
    }

    if (foto) {
        FinestraRicerca f(nullptr, *db, {TipoRicerca::Conto, {}, "60-"});
        f.show();
        QApplication::processEvents();
        f.grab().save("/tmp/lista-ricerca.png");
    }
    return 0;
}
