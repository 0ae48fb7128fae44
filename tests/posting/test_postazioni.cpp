// Several workstations and crashes: real tesel-cli processes post the same selection at once,
// or are killed at a named point of a posting; afterwards the books must be consistent and a
// new run must post what is missing.

#include "aziendaprova.h"
#include "fatturaprova.h"
#include "frame/database.h"
#include "support/dbprova.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

namespace tesel::posting {
namespace {

using tesel::prova::ChiaveFattura;
using tesel::prova::FatturaProva;

const tesel::prova::ContoProva Costo{u"60"_s, u"10"_s, u"1001"_s};
// VAT numbers that the demo chart does not have: posting with --crea-fornitore opens them.
const QStringList PartiteIvaNuove{u"01114601006"_s, u"02438750586"_s, u"03299640163"_s};

class Postazioni : public prova::ConAziendaDemo {
protected:
    void SetUp() override {
        ConAziendaDemo::SetUp();
        if (IsSkipped())
            return;
        ASSERT_TRUE(cartella_.isValid());
        ini_ = scriviProfilo(cartella_.path());
    }

    // `n` invoices received in March; with `fornitoriNuovi` every third one names a supplier
    // missing from the chart (three VAT numbers, each on several invoices).
    void fatture(int n, bool fornitoriNuovi) {
        for (int i = 1; i <= n; ++i) {
            FatturaProva f(db());
            f.numero(QString::number(i))
                .ricezione(QDate(anno, 3, 1 + i % 28))
                .riga(100 * i, u"22"_s, Costo)
                .riga(10, u"10"_s, Costo)
                .iva(22, 100 * i, 22 * i)
                .iva(10, 10, 1)
                .pagamento(Currency::daUnita(122 * i + 11), QDate(anno, 5, 31));
            if (fornitoriNuovi && i % 3 == 0)
                f.senzaFornitore().partitaIva(PartiteIvaNuove.at((i / 3) % PartiteIvaNuove.size()));
            f.scrivi();
        }
    }

    std::unique_ptr<QProcess> avvia(const QStringList& argomenti, const QString& interrompiA = {}) {
        auto p = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (!interrompiA.isEmpty())
            env.insert(u"TESEL_INTERROMPI_A"_s, interrompiA);
        p->setProcessEnvironment(env);
        p->start(QStringLiteral(TESEL_CLI), argomenti);
        EXPECT_TRUE(p->waitForStarted());
        return p;
    }
    QStringList post(bool creaFornitore) const {
        QStringList a{u"post"_s, u"--ini"_s, ini_};
        if (creaFornitore)
            a << u"--crea-fornitore"_s;
        return a;
    }

    QStringList decontabilizza(int numero) const {
        return {u"unpost"_s, u"--ini"_s, ini_, QString::number(anno), QString::number(numero)};
    }

    // Posts every invoice waiting, in one run that must succeed.
    void postaTutte() {
        auto p = avvia(post(false));
        ASSERT_TRUE(p->waitForFinished(300000));
        ASSERT_EQ(p->exitCode(), 0);
    }

    qint64 conta(const QString& sql) { return db().valore(sql).toLongLong(); }

    // The invariants of consistent books: every registration balanced, nothing in staging
    // or in the lock table, each posted invoice with one registration on its own protocol,
    // its VAT in the register and its due dates on its own registration, protocols 1..n,
    // running totals equal to the journal, one account per VAT number; an invoice not posted
    // has nothing in the books.
    void verificaLibri() {
        for (const char* t : {"MovPnTesFatt", "MovPnDettFatt", "MovPnIvaFatt", "LockGest"})
            EXPECT_EQ(conta(u"Select count(*) from "_s + t), 0) << t;
        EXPECT_EQ(
            conta(u"Select count(*) from (Select Anno, NumReg from MovPnDett Group by Anno, NumReg Having"
                  " Sum(CASE WHEN DareAvere = 'D' THEN Importo ELSE -Importo END) <> 0) x"_s),
            0)
            << "registrazioni sbilanciate";
        const qint64 contabilizzate = conta(u"Select count(*) from FatXmlTest Where Contabilizzato = 'S'"_s);
        EXPECT_EQ(conta(u"Select count(*) from MovPnTes"_s), contabilizzate);
        EXPECT_EQ(conta(u"Select count(distinct XmlNumRif) from MovPnTes"_s), contabilizzate);
        EXPECT_EQ(conta(u"Select count(*) from MovPnTes t Where not exists (Select 1 from "
                        "FatXmlTest f Where f.XmlAnno = t.XmlAnno and f.XmlNumRif = t.XmlNumRif "
                        "and f.Contabilizzato = 'S')"_s),
                  0)
            << "registrazioni di fatture non contabilizzate";
        // Protocols and journal numbers without gaps or repeats, and the counter agrees.
        EXPECT_EQ(conta(u"Select count(distinct NumProt) from MovPnTes"_s), contabilizzate);
        EXPECT_EQ(conta(u"Select COALESCE(Max(NumProt), 0) from MovPnTes"_s), contabilizzate);
        EXPECT_EQ(conta(u"Select COALESCE(Max(NumDoc), 0) from LibriIva Where TipoReg = 'A'"_s),
                  contabilizzate);
        EXPECT_EQ(conta(u"Select COALESCE(Max(NumReg), 0) from MovPnTes"_s), contabilizzate);
        // The VAT register agrees with each invoice's VAT summary.
        EXPECT_EQ(
            conta(u"Select count(*) from MovPnTes t Where abs((Select Sum(Imposta) from MovPnIva i Where "
                  "i.Anno ="
                  " t.Anno and i.NumReg = t.NumReg)) <> (Select Sum(Imposta) from FatXmlIva v Where"
                  " v.XmlAnno = t.XmlAnno and v.XmlNumRif = t.XmlNumRif)"_s),
            0)
            << "registro IVA diverso dal riepilogo della fattura";
        // One due date per posted invoice, on its own registration and protocol.
        EXPECT_EQ(conta(u"Select count(*) from Scadenze"_s), contabilizzate);
        EXPECT_EQ(conta(u"Select count(*) from Scadenze s Join MovPnTes t on t.Anno = s.AnnoReg"
                        " and t.NumReg = s.NumReg and t.NumProt = s.NumProt"_s),
                  contabilizzate);
        // Running totals equal the journal's rows, account by account.
        EXPECT_EQ(
            conta(u"Select count(*) from PdcProg p Where COALESCE(p.ProgrDare, 0) <> COALESCE((Select"
                  " Sum(Importo) from MovPnDett d Where d.Anno = p.Anno and d.TipoPartita = p.PartTipo and"
                  " d.GruppoPartita = p.CoPartGruppo and d.MastroPartita = p.CoPartMastro and"
                  " d.ContoPartita = p.CoPartConto and d.DareAvere = 'D'), 0) or COALESCE(p.ProgrAvere, 0)"
                  " <> COALESCE((Select Sum(Importo) from MovPnDett d Where d.Anno = p.Anno and"
                  " d.TipoPartita = p.PartTipo and d.GruppoPartita = p.CoPartGruppo and d.MastroPartita ="
                  " p.CoPartMastro and d.ContoPartita = p.CoPartConto and d.DareAvere = 'A'), 0)"_s),
            0)
            << "progressivi diversi dal giornale";
        EXPECT_EQ(conta(u"Select count(*) from (Select PartIva from PianoConti Where Tipo = 2 and"
                        " PartIva <> '' Group by PartIva Having count(*) > 1) x"_s),
                  0)
            << "fornitore aperto due volte";
    }

    QTemporaryDir cartella_;
    QString ini_;
};

// Two workstations un-posting the same invoice at once: one takes it back, the other is told
// there is nothing to do, and the protocol is given back once.
TEST_F(Postazioni, shouldUnpostAnInvoiceOnceWhenTwoProcessesUnpostItAtOnce) {
    fatture(3, false);
    postaTutte();
    const QStringList unpost = decontabilizza(3);
    auto primo = avvia(unpost);
    auto secondo = avvia(unpost);
    ASSERT_TRUE(primo->waitForFinished(300000));
    ASSERT_TRUE(secondo->waitForFinished(300000));
    EXPECT_EQ(primo->exitCode() + secondo->exitCode(), 1) << "uno solo deve riuscire";
    const QString errori = QString::fromUtf8(primo->readAllStandardError() + secondo->readAllStandardError());
    EXPECT_TRUE(errori.contains(u"Non ci sono fatture da elaborare"_s)) << errori.toStdString();
    EXPECT_EQ(conta(u"Select count(*) from FatXmlTest Where Contabilizzato = 'S'"_s), 2);
    verificaLibri(); // the counter went back to 2, once
}

struct CasoPostazioni {
    int processi;
    bool creaFornitore;
};

void PrintTo(const CasoPostazioni& c, std::ostream* os) {
    *os << c.processi << " processi" << (c.creaFornitore ? " con creazione fornitori" : "");
}

class PostazioniInsieme : public Postazioni, public ::testing::WithParamInterface<CasoPostazioni> {};

// Every process selects every invoice: each invoice is posted exactly once, the others are
// told "Fattura già contabilizzata", and every process ends with status 0.
TEST_P(PostazioniInsieme, shouldPostEachInvoiceOnceWhenSeveralProcessesPostTheSameSelection) {
    const int n = tesel::prova::usaOdbc() ? 24 : 45;
    fatture(n, GetParam().creaFornitore);
    std::vector<std::unique_ptr<QProcess>> processi;
    for (int i = 0; i < GetParam().processi; ++i)
        processi.push_back(avvia(post(GetParam().creaFornitore) << u"--json"_s));
    int contabilizzateDaiProcessi = 0;
    for (auto& p : processi) {
        ASSERT_TRUE(p->waitForFinished(600000));
        const QString errori = QString::fromUtf8(p->readAllStandardError());
        EXPECT_EQ(p->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p->exitCode(), 0) << errori.toStdString();
        const QString uscita = QString::fromUtf8(p->readAllStandardOutput());
        contabilizzateDaiProcessi += static_cast<int>(uscita.count(u"\"ok\":true"_s));
        for (const QString& riga : uscita.split(u'\n', Qt::SkipEmptyParts)) {
            if (riga.contains(u"\"ok\":false"_s)) {
                EXPECT_TRUE(riga.contains(u"Fattura già contabilizzata"_s)) << riga.toStdString();
            }
        }
    }
    EXPECT_EQ(contabilizzateDaiProcessi, n);
    EXPECT_EQ(conta(u"Select count(*) from FatXmlTest Where Contabilizzato = 'S'"_s), n);
    if (GetParam().creaFornitore) {
        EXPECT_EQ(conta(u"Select count(*) from PianoConti Where Tipo = 2 and PartIva in "
                        "('01114601006', '02438750586', '03299640163')"_s),
                  3);
    }
    verificaLibri();
}

INSTANTIATE_TEST_SUITE_P(Processi, PostazioniInsieme,
                         ::testing::Values(CasoPostazioni{2, false}, CasoPostazioni{4, false},
                                           CasoPostazioni{2, true}, CasoPostazioni{4, true}));

class PostingInterrotto : public Postazioni, public ::testing::WithParamInterface<const char*> {};

// A posting killed at any point of an invoice leaves the books consistent (the invoice in
// hand posted completely or not at all), and the next run posts what is missing.
TEST_P(PostingInterrotto, shouldLeaveConsistentBooksAndLetTheNextRunPostTheRest) {
    constexpr int n = 6;
    fatture(n, true);
    auto p = avvia(post(true), QLatin1String(GetParam()));
    ASSERT_TRUE(p->waitForFinished(300000));
    EXPECT_EQ(p->exitStatus(), QProcess::CrashExit) << "il punto non e' stato raggiunto";
    verificaLibri();
    EXPECT_LT(conta(u"Select count(*) from FatXmlTest Where Contabilizzato = 'S'"_s), n);

    auto ancora = avvia(post(true));
    ASSERT_TRUE(ancora->waitForFinished(300000));
    EXPECT_EQ(ancora->exitCode(), 0) << ancora->readAllStandardError().toStdString();
    EXPECT_EQ(conta(u"Select count(*) from FatXmlTest Where Contabilizzato = 'S'"_s), n);
    verificaLibri();
}

INSTANTIATE_TEST_SUITE_P(Punti, PostingInterrotto,
                         ::testing::Values("fattura-rivendicata", "fornitore-creato", "protocollo-numerato",
                                           "registrazioni-in-appoggio", "registrazioni-trasferite",
                                           "scadenze-create", "contabilizzazione-confermata"));

class DecontabilizzazioneInterrotta : public Postazioni, public ::testing::WithParamInterface<const char*> {};

// Un-posting killed halfway leaves the invoice posted with all its records; repeated, it
// un-posts it and gives its protocol back, so posting it again leaves no gap.
TEST_P(DecontabilizzazioneInterrotta, shouldLeaveTheInvoicePostedAndLetItBeUnpostedAgain) {
    fatture(3, false);
    postaTutte();
    const QStringList unpost = decontabilizza(3);
    auto interrotta = avvia(unpost, QLatin1String(GetParam()));
    ASSERT_TRUE(interrotta->waitForFinished(300000));
    EXPECT_EQ(interrotta->exitStatus(), QProcess::CrashExit);
    EXPECT_EQ(conta(u"Select count(*) from FatXmlTest Where Contabilizzato = 'S'"_s), 3);
    verificaLibri();

    auto ancora = avvia(unpost);
    ASSERT_TRUE(ancora->waitForFinished(300000));
    EXPECT_EQ(ancora->exitCode(), 0) << ancora->readAllStandardError().toStdString();
    EXPECT_EQ(conta(u"Select count(*) from FatXmlTest Where Contabilizzato = 'S'"_s), 2);
    verificaLibri();
    auto ripostata = avvia(post(false));
    ASSERT_TRUE(ripostata->waitForFinished(300000));
    EXPECT_EQ(ripostata->exitCode(), 0);
    verificaLibri(); // protocols 1..3 again
}

INSTANTIATE_TEST_SUITE_P(Punti, DecontabilizzazioneInterrotta,
                         ::testing::Values("decontabilizzazione-rivendicata", "registrazioni-eliminate"));

} // namespace
} // namespace tesel::posting
