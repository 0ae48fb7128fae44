// tesel-schermate-stampa: the print windows and a calibration page, without a display.
//   tesel-schermate-stampa --cartella DIR
// Writes DIR/FrmVStampa.png (the preview on the calibration page), DIR/FrmVStampa-150.png (the
// same redrawn from the record, at 150%), DIR/frmVStaPar.png,
// DIR/frmStampaInCorso.png, DIR/FrmSceltaStam.png (with -salva and -pdfemail, its other two
// panels) and DIR/pagina-prova.pdf.

#include "frame/ini.h"
#include "frame/interazione.h"
#include "printing/forms/frmsceltastam.h"
#include "printing/forms/frmstampaincorso.h"
#include "printing/forms/frmvstampa.h"
#include "printing/forms/frmvstapar.h"
#include "printing/impostazione.h"
#include "printing/paginaprova.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTextStream>

using namespace tesel::stampa;

namespace {

bool salva(QWidget* w, const QString& cartella, const QString& nome) {
    w->show();
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
    const QString file = QDir(cartella).filePath(nome + QStringLiteral(".png"));
    const bool ok = w->grab().save(file);
    QTextStream(stderr) << (ok ? "scritta " : "NON scritta ") << file << "\n";
    return ok;
}

void stiliStandard(LumoStampe& s) {
    for (const StileCarattere& st : tesel::stampa::stiliStandard())
        s.definisciStile(st);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QString cartella = QStringLiteral("schermate");
    const QStringList a = app.arguments();
    for (int i = 1; i + 1 < a.size(); ++i)
        if (a[i] == u"--cartella")
            cartella = a[++i];
    QDir().mkpath(cartella);
    tesel::InterazioneNonPresidiata ui;
    bool ok = true;

    {
        LumoStampe pdf;
        stiliStandard(pdf);
        ok &= pdf.apriPdf(QDir(cartella).filePath(QStringLiteral("pagina-prova.pdf")),
                          QStringLiteral("Pagina di prova"));
        disegnaPaginaProva(pdf, QStringLiteral("Pagina di prova della stampa"));
        ok &= pdf.fine();
    }
    {
        LumoStampe s;
        stiliStandard(s);
        FrmVStampa f(ui);
        f.resize(1000, 760);
        f.setOgStampa(&s);
        s.apriAnteprima(&f);
        f.show();
        disegnaPaginaProva(s, QStringLiteral("Pagina di prova della stampa"));
        s.nuovaPagina();
        disegnaPaginaProva(s, QStringLiteral("Seconda pagina"));
        s.fine();
        ok &= salva(&f, cartella, QStringLiteral("FrmVStampa"));
        // Without kept pages, at 150%: the page shown is redrawn from the print's record.
        LumoStampe r;
        stiliStandard(r);
        FrmVStampa g(ui);
        g.resize(1000, 760);
        g.impostaMemVid(false);
        g.impostaFatt(150);
        g.setOgStampa(&r);
        r.apriAnteprima(&g);
        g.show();
        disegnaPaginaProva(r, QStringLiteral("Pagina ridisegnata dalla registrazione"));
        r.fine();
        ok &= salva(&g, cartella, QStringLiteral("FrmVStampa-150"));
        frmVStaPar par(150, true);
        ok &= salva(&par, cartella, QStringLiteral("frmVStaPar"));
    }
    {
        LumoStampe s;
        stiliStandard(s);
        s.apriPdf(QDir::temp().filePath(QStringLiteral("tesel-schermate-stampa.pdf")));
        frmStampaInCorso f;
        f.segui(s);
        f.impostaDescrizione(QStringLiteral("Fattura 2026/000123 del 03/02/2026 - Rossi Forniture S.r.l."));
        for (int i = 0; i < 7; ++i)
            s.nuovaPagina();
        ok &= salva(&f, cartella, QStringLiteral("frmStampaInCorso"));
        s.fine();
        QFile::remove(QDir::temp().filePath(QStringLiteral("tesel-schermate-stampa.pdf")));
    }
    {
        // The print dialog over a profile with a few options and e-mail parameters saved.
        QTemporaryDir dir;
        tesel::FileIni ini(dir.filePath(QStringLiteral("tesel.ini")));
        const QString o = SezioneOpzioni;
        ini.set(o, QStringLiteral("StFatPas.StaVid"), QStringLiteral("File"));
        ini.set(o, QStringLiteral("StFatPas.FileName"),
                QStringLiteral("/home/ufficio/stampe/fatture-passive.xlsx"));
        ini.set(o, QStringLiteral("FileForm"), QStringLiteral("xlsx"));
        ini.set(o, QStringLiteral("FisCodIniComp"), QStringLiteral("27,15"));
        ini.set(o, QStringLiteral("FisCodFinComp"), QStringLiteral("18"));
        ini.set(o, QStringLiteral("PdfAutomAbil"), QStringLiteral("S"));
        ini.set(o, QStringLiteral("EmailTipoInvio"), QStringLiteral("See"));
        ini.set(o, QStringLiteral("EmailInd"), QStringLiteral("amministrazione@rossiforniture.it"));
        ini.set(o, QStringLiteral("EmailServerSMTP"), QStringLiteral("smtp.rossiforniture.it"));
        ini.set(o, QStringLiteral("EmailNumPorta"), QStringLiteral("465"));
        ini.set(o, QStringLiteral("EmailUsaSSL"), QStringLiteral("S"));
        ini.set(o, QStringLiteral("EmailLogin"), QStringLiteral("amministrazione"));
        ini.set(o, QStringLiteral("EmailPwd"), QStringLiteral("segreta"));
        ini.set(o, QStringLiteral("EmailOggetto"), QStringLiteral("Fattura §Numero§ del §Data§"));
        const ImpostazioneStampa imp(ini, Postazione{QStringLiteral("UFFICIO2"), {}, {}},
                                     IdentitaStampa{QStringLiteral("StFatPas"), {}, {}});
        FrmSceltaStam f(ini, imp, ui);
        f.resize(900, 820);
        ok &= salva(&f, cartella, QStringLiteral("FrmSceltaStam"));
        f.ComSalOpz_Click();
        ok &= salva(&f, cartella, QStringLiteral("FrmSceltaStam-salva"));
        f.ComParIniPE_Click();
        ok &= salva(&f, cartella, QStringLiteral("FrmSceltaStam-pdfemail"));
    }
    return ok ? 0 : 1;
}
