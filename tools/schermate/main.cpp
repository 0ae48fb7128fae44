// tesel-schermate: one PNG per window, for looking at the forms without a display.
//   tesel-schermate --ini FILE --cartella DIR
// Opens every registered entry form on the company of FILE, the common windows and the
// launcher, each offscreen, and writes DIR/<name>.png.

#include "../../app/tesel-menu/finestramenu.h"
#include "frame/aziendamenu.h"
#include "ui/presidio.h"

#include "../../app/tesel/registrazione.h"
#include "frame/configurazione.h"
#include "frame/database.h"
#include "frame/parametri.h"
#include "import/forms/frmfecarxml.h"
#include "printing/forms/frmcomlinstampa.h"
#include "review/forms/frmfepassdatigen.h"
#include "review/forms/frmfepassdett.h"
#include "review/forms/frmfepassiva.h"
#include "review/forms/frmfepasspagam.h"
#include "review/forms/frmfepasstestlis.h"
#include "ui/applicazione.h"
#include "ui/formtesel.h"
#include "ui/inelab.h"
#include "ui/lista.h"
#include "ui/msgcom.h"
#include "ui/selezele.h"
#include <QFileDialog>

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QTabWidget>
#include <QTextStream>
#include <QTimer>

using namespace tesel;

namespace {

QTextStream& err() {
    static QTextStream s(stderr);
    return s;
}

bool salva(QWidget* w, const QString& cartella, const QString& nome) {
    w->show();
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
    const QString file = QDir(cartella).filePath(nome + QStringLiteral(".png"));
    const bool ok = w->grab().save(file);
    // A picture of the contents has no title bar: the title goes to standard error.
    err() << nome << ": " << w->windowTitle() << "\n";
    err().flush();
    err() << (ok ? "scritta " : "NON scritta ") << file << "\n";
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tesel"));
    QString ini, cartella;
    const QStringList a = app.arguments();
    for (int i = 1; i + 1 < a.size(); ++i) {
        if (a[i] == u"--ini")
            ini = a[++i];
        else if (a[i] == u"--cartella")
            cartella = a[++i];
    }
    if (ini.isEmpty() || cartella.isEmpty()) {
        err() << "Uso: tesel-schermate --ini FILE --cartella DIR\n";
        return 2;
    }
    QDir().mkpath(cartella);
    InterazioneNonPresidiata senzaUtente;
    ClientMenuFisso menu;
    menu.impostaConfigurazione(QFileInfo(ini).absoluteFilePath());
    const SceltaProfilo scelta = scegliFileProfilo(menu, senzaUtente, {});
    if (!scelta.ok())
        return 1;
    Configurazione conf(menu, senzaUtente, scelta);
    const ImpostazioniConnessione c = conf.connessioneAzienda();
    const ImpostazioniConnessione cc = conf.connessioneComune();
    if (!c.ok() || !cc.ok())
        return 1;
    auto db = Database::apri(c.testo, c.utente, c.password);
    auto comune = Database::apri(cc.testo, cc.utente, cc.password);
    ParametriAzienda parametri(*db);
    Contesto contesto{*db, comune.get(), conf, menu, senzaUtente, parametri, qEnvironmentVariable("USER")};
    // As the program shows them: Qt's texts in Italian, company and database on every window.
    ui::caricaTraduzioniQt(app);
    ui::PresidioFinestre presidio(app, senzaUtente);
    presidio.impostaDove(parametri.leggi(QStringLiteral("Ditta.RagSoc")), c.testo);
    bool tutto = true;

    ui::RegistroForm registro;
    ui::registraFormTesel(registro);
    for (const QString& nome : registro.nomi()) {
        ui::FormTesel* f = registro.trova(nome)->second(contesto);
        // A worker form closes itself once its command is done: it stays for its picture.
        f->setAttribute(Qt::WA_DeleteOnClose, false);
        f->Carica();
        // A record form shows the first record, so its fields are seen filled.
        f->ButtonComando(QStringLiteral("Inizio"));
        tutto = salva(f, cartella, nome) && tutto;
        // Every page of a form with tabs.
        if (auto* pagine = f->findChild<QTabWidget*>()) {
            for (int k = 1; k < pagine->count(); ++k) {
                pagine->setCurrentIndex(k);
                tutto = salva(f, cartella, nome + QStringLiteral("-%1").arg(k + 1)) && tutto;
            }
            pagine->setCurrentIndex(0);
        }
        f->close();
        delete f;
    }

    // The review windows opened from the header form, on the first stored invoice.
    {
        ui::frmFEPassTestLis lista(contesto);
        lista.resize(1280, 800);
        lista.Carica();
        tutto = salva(&lista, cartella, QStringLiteral("frmFEPassTestLis")) && tutto;
        {
            stampa::FrmComlinStampa comlin(contesto, *lista.lista, lista.windowTitle());
            tutto = salva(&comlin, cartella, QStringLiteral("FrmComlinStampa")) && tutto;
            // What it prints: the list in landscape, visible columns only.
            stampa::LumoStampe s;
            s.impostaFormato(QPageSize(QPageSize::A4), QPageLayout::Landscape);
            const QString pdf = QDir(cartella).filePath(QStringLiteral("FrmComlinStampa-lista.pdf"));
            stampa::ImpostazioniStampaLista imp;
            imp.titolo = lista.windowTitle();
            imp.azienda = parametri.leggi(QStringLiteral("Ditta.RagSoc"));
            if (s.apriPdf(pdf)) {
                lista.lista->AvviaStampa(s, true, comlin.font(), imp);
                tutto = s.fine() && tutto;
                QTextStream(stdout) << "scritta " << pdf << Qt::endl;
            }
        }
        Recordset rs = db->ApriRs(
            QStringLiteral("SELECT XmlAnno, XmlNumRif FROM FatXmlTest ORDER BY XmlAnno, XmlNumRif LIMIT 1"));
        if (!rs.RsEof()) {
            const ChiaveFattura prima{
                static_cast<int>(rs.leggiIntero(QStringLiteral("XmlAnno")).value_or(0)),
                static_cast<qint32>(rs.leggiIntero(QStringLiteral("XmlNumRif")).value_or(0))};
            ui::frmFEPassDatiGen altri(contesto, prima, -1);
            tutto = salva(&altri, cartella, QStringLiteral("frmFEPassDatiGen")) && tutto;
            ui::frmFEPassDett dett(contesto, prima, 0);
            tutto = salva(&dett, cartella, QStringLiteral("frmFEPassDett")) && tutto;
            ui::frmFEPassPagam pagam(contesto, prima, 0);
            tutto = salva(&pagam, cartella, QStringLiteral("frmFEPassPagam")) && tutto;
            ui::frmFEPassIva iva(contesto, prima);
            tutto = salva(&iva, cartella, QStringLiteral("frmFEPassIva")) && tutto;
        }
    }

    ui::frmMsgCom msg;
    QTimer::singleShot(300, &msg, [&] {
        tutto = salva(&msg, cartella, QStringLiteral("frmMsgCom")) && tutto;
        msg.ComEsegui[1]->click();
    });
    msg.msgCom(
        QStringLiteral("La fattura n. 125 del 12/03/2024 di Rossi Forniture Srl è già stata importata.\n"
                       "Sovrascrivere la fattura già presente?"),
        QStringLiteral("&Sì"), QStringLiteral("&No"), QStringLiteral("&Annulla"));

    // The selection list as the import shows it when a supplier matches several accounts.
    ui::frmSelezEle selez;
    selez.osDescriz(
        0, QStringLiteral("Fornitore: P.Iva: 01234567890 Cod.Fisc.: 01234567890 - Rossi Forniture Srl"));
    selez.osDescriz(1, QStringLiteral("Fattura N. 123/A del 12/03/2024"));
    selez.osDescriz(2, QStringLiteral("Primo articolo: Carta A4 80 g"));
    selez.AddElementiSel(QStringLiteral("40-10-0001\tRossi Forniture Srl"), true);
    selez.AddElementiSel(QStringLiteral("40-10-0002\tRossi Forniture Srl - filiale di Verona"), false);
    selez.AddElementiSel(QStringLiteral("40-12-0150\tRossi Carta e Cancelleria Spa"), false);
    QTimer::singleShot(300, &selez, [&] {
        tutto = salva(&selez, cartella, QStringLiteral("frmSelezEle")) && tutto;
        selez.Ok->click();
    });
    selez.exec();

    // The import's report: the invoices loaded with what is left to complete and the
    // attachments written, and the files that failed.
    ui::frmRapportoCarXML rapporto(
        QStringLiteral(
            "\r\n2026/1 - 03981270683 Ferramenta Adriatica Srl - n. 123/A del 12/03/2026 - 1.220,00 - "
            "IT03981270683_DEMO1.xml"
            "\r\n2026/2 - 02157840378 Cartoleria Moderna Snc di Conti & C. - n. 7 del 13/03/2026 - 288,00 - "
            "IT02157840378_DEMO2.xml"
            "\r\n\r\nDa completare (Avvisi)\r\nFile: IT02157840378_DEMO2.xml"
            "\r\n  Fornitore non trovato in archivio: P.Iva 02157840378"
            "\r\n  Totale righe aliquota 22,00% (100,00) diverso dal riepilogo IVA (110,00)"
            "\r\n  Totale documento 288,00 diverso da imponibile più IVA del riepilogo (265,00)"
            "\r\n\r\nAllegati estratti (File - Allegato)"
            "\r\nIT03981270683_DEMO1.xml - /home/utente/fe/IT03981270683_DEMO1_Fattura.pdf"),
        QStringLiteral("\r\nFile: fifo.xml non è un file ordinario (dispositivo, FIFO o socket): non caricato"
                       "\r\nFile copia.xml: fattura n. 123/A del 12/03/2024 già caricata con il file "
                       "IT03981270683_DEMO1.xml (2024/1)"));
    rapporto.resize(820, 520);
    tutto = salva(&rapporto, cartella, QStringLiteral("frmRapportoCarXML")) && tutto;

    ui::frmInElab elab;
    elab.impostaMessaggio(QStringLiteral("Importazione fatture ricevute"));
    elab.inizia(1250);
    elab.impostaFatti(318);
    tutto = salva(&elab, cartella, QStringLiteral("frmInElab")) && tutto;

    ui::frmConn splash(QStringLiteral("1.0"), QStringLiteral("06/12/2026"));
    tutto = salva(&splash, cartella, QStringLiteral("frmConn")) && tutto;

    FinestraMenu finestraMenu(QFileInfo(ini).absoluteFilePath(), comune.get(), QStringLiteral("tesel"),
                              aziendeDelMenu(comune.get(), conf, senzaUtente));
    tutto = salva(&finestraMenu, cartella, QStringLiteral("tesel-menu")) && tutto;

    // One of Qt's own dialogs, in Italian.
    QFileDialog file(nullptr, QStringLiteral("Selezione file XML"), QFileInfo(ini).absolutePath());
    file.setOption(QFileDialog::DontUseNativeDialog);
    file.resize(760, 460);
    file.show();
    tutto = salva(&file, cartella, QStringLiteral("QFileDialog")) && tutto;
    return tutto ? 0 : 1;
}
