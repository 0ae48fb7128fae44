#include "review/forms/frmfepasstestlis.h"

#include "frame/codiceconto.h"
#include "frame/contesto.h"
#include "frame/currency.h"
#include "frame/data.h"
#include "frame/database.h"
#include "frame/interazione.h"
#include "review/revisione.h"
#include "store/selezione.h"
#include "store/store.h"
#include "ui/lista.h"
#include "ui/ricerca.h"
#include "ui/validatori.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QToolBar>
#include <QVBoxLayout>
#include <stdexcept>

namespace tesel::ui {

namespace {

const QString Titolo = QStringLiteral("Lista Testate Fatture Passive");
const QString NomeForm = QStringLiteral("frmFEPassTestLis");
const QString Tabella = QString(store::FatXmlTest);

// The value of an account part as a number, or Null when the stored text is not one (empty,
// blanks, letters): a cast of such a text would stop the whole query on PostgreSQL.
QString parteNumerica(const QString& campo) {
    const QString t = "trim(" + CodiceConto::colonnaComeTesto(campo) + ")";
    return "CASE WHEN length(" + t + ") BETWEEN 1 AND 18 AND ltrim(" + t + ", '0123456789') = '' THEN CAST(" +
           t + " AS BIGINT) END";
}

bool soloCifre(const QString& t) {
    if (t.isEmpty() || t.size() > 18)
        return false;
    for (const QChar c : t)
        if (c < u'0' || c > u'9')
            return false;
    return true;
}

// The key as the header form keeps it: year and reference number as integers, whatever type
// the driver read them as.
QVariantList chiaveNormale(const QVariantList& k) {
    QVariantList n;
    for (const QVariant& v : k)
        n << QVariant(v.toInt());
    return n;
}

QString messaggioErroreDb(const QString& operazione, const ErroreDb& e) {
    return QStringLiteral("%1 - Errore(%2): %3").arg(operazione).arg(e.numero()).arg(e.descrizione());
}

[[noreturn]] void codiceNonValido(const QString& codice) {
    throw std::invalid_argument(QStringLiteral("Valore non valido: %1").arg(codice.trimmed()).toStdString());
}

} // namespace

QString condizioneFornitore(const QString& codice) {
    // The parts are compared as numbers, so "40-01-125" finds an account stored as 40-1-125;
    // a group alone or a group and its ledger find all their accounts.
    const auto conto = CodiceConto::leggi(codice, true);
    if (!conto || conto->vuoto())
        codiceNonValido(codice);
    const std::pair<QString, QString> parti[3] = {{QStringLiteral(".GruppoFor"), conto->gruppo},
                                                  {QStringLiteral(".MastroFor"), conto->mastro},
                                                  {QStringLiteral(".ContoFor"), conto->conto}};
    QStringList condizioni;
    for (const auto& [campo, p] : parti) {
        if (p.isEmpty())
            continue;
        if (!soloCifre(p))
            codiceNonValido(codice);
        condizioni << parteNumerica(Tabella + campo) + " = " + SqlValore(QVariant(p.toLongLong()), SqlLungo);
    }
    return condizioni.join(QStringLiteral(" AND "));
}

QString condizioneNomeODocumento(const QString& testo) {
    const QString t = testo.trimmed();
    if (t.isEmpty())
        return {};
    // Upper case on both sides: PostgreSQL compares LIKE with regard to case.
    const QString cercato = SqlValore(QStringLiteral("%") + t.toUpper() + QStringLiteral("%"), SqlTesto);
    return QStringLiteral("UPPER(") + store::nomeFornitoreSql() + QStringLiteral(") LIKE ") + cercato +
           QStringLiteral(" OR UPPER(") + Tabella + QStringLiteral(".DGD_Numero) LIKE ") + cercato;
}

// ---------------------------------------------------------------------------------------------

frmFEPassTestLis::frmFEPassTestLis(Contesto& contesto, QWidget* padre) : QDialog(padre), contesto_(contesto) {
    setObjectName(NomeForm);
    setWindowTitle(Titolo);
    costruisci();
    colonne();
    filtri();
    resize(1180, 720);
}

frmFEPassTestLis::~frmFEPassTestLis() {
    // ~QWidget hides the window, and the field that loses the focus would be checked by a
    // form whose members are already gone.
    for (QObject* figlio : findChildren<QObject*>())
        disconnect(figlio, nullptr, this, nullptr);
}

void frmFEPassTestLis::costruisci() {
    const QFontMetrics fm(font());
    const auto campo = [&](int indice, int larghezza) {
        auto* c = new QLineEdit(this);
        c->setObjectName(QStringLiteral("txt_%1").arg(indice));
        c->setFixedWidth(larghezza);
        txt[indice] = c;
        return c;
    };
    const int cifre = fm.averageCharWidth();
    const int data = fm.horizontalAdvance(QStringLiteral("00/00/00000")) + 16;
    for (int i : {10, 20})
        campo(i, cifre * 6 + 16);
    for (int i : {30, 40})
        campo(i, cifre * 10 + 16);
    for (int i : {50, 60, 70, 80}) {
        campo(i, data)->setPlaceholderText(QStringLiteral("gg/mm/aaaa"));
        connect(txt[i], &QLineEdit::editingFinished, this, [this, i] { controllaData(i); });
    }
    campo(90, cifre * 14 + 16);
    campo(100, cifre * 8 + 16);
    campo(130, cifre * 30 + 16)
        ->setToolTip(QStringLiteral("Parte della ragione sociale del fornitore o del numero del documento"));

    const auto descrizione = [this](const QString& nome) {
        auto* d = new QLabel(this);
        d->setObjectName(nome);
        d->setFrameShape(QFrame::StyledPanel);
        d->setFrameShadow(QFrame::Sunken);
        d->setTextFormat(Qt::PlainText);
        d->setIndent(3);
        d->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        d->setFixedHeight(txt[10]->sizeHint().height());
        d->setMinimumWidth(fontMetrics().averageCharWidth() * 30);
        return d;
    };
    labFornitore = descrizione(QStringLiteral("labFornitore"));
    labCausale = descrizione(QStringLiteral("labCausale"));
    const QString aiuto = QStringLiteral("F2 ricerca per codice, F3 per descrizione, F4 elenco");
    txt[90]->setToolTip(aiuto);
    txt[100]->setToolTip(aiuto);
    collegaRicerca(txt[90], labFornitore, contesto_.db, {TipoRicerca::Fornitore});
    collegaRicerca(txt[100], labCausale, contesto_.db, {TipoRicerca::Causale});

    // The flag boxes write their state into hidden fields of the same index, which are what
    // the list reads: ticked "S", cleared "N", greyed nothing (no condition).
    const auto casella = [&](int indice, const QString& testo) {
        auto* valore = campo(indice, 0);
        valore->hide();
        auto* c = new QCheckBox(testo, this);
        c->setObjectName(QStringLiteral("Che_%1").arg(indice));
        c->setTristate(true);
        c->setCheckState(Qt::PartiallyChecked);
        c->setToolTip(QStringLiteral("Grigia: tutte; spuntata: sì; vuota: no"));
        connect(c, &QCheckBox::stateChanged, valore, [valore](int stato) {
            valore->setText(stato == Qt::Checked     ? QStringLiteral("S")
                            : stato == Qt::Unchecked ? QStringLiteral("N")
                                                     : QString());
        });
        // The value put back from the user's last filters shows in the box.
        connect(valore, &QLineEdit::textChanged, c, [c](const QString& v) {
            c->setCheckState(v == u"S" ? Qt::Checked : v == u"N" ? Qt::Unchecked : Qt::PartiallyChecked);
        });
        Che[indice] = c;
    };
    casella(110, QStringLiteral("Stampate"));
    casella(120, QStringLiteral("Contabilizzate"));

    ComFiltra = new QPushButton(QStringLiteral("&Filtra"), this);
    ComFiltra->setObjectName(QStringLiteral("ComFiltra"));
    ComFiltra->setToolTip(QStringLiteral("Legge di nuovo la lista con i filtri impostati (Invio)"));
    connect(ComFiltra, &QPushButton::clicked, this, [this] { ButtonComando(QStringLiteral("Aggiorna")); });
    ComChiudi = new QPushButton(QStringLiteral("C&hiudi"), this);
    ComChiudi->setObjectName(QStringLiteral("ComChiudi"));
    connect(ComChiudi, &QPushButton::clicked, this, &QDialog::reject);

    // Enter in a filter field runs the query; no button is a default, so Enter in the search
    // text (which searches) does not also reload the list.
    for (auto& [indice, c] : txt)
        connect(c, &QLineEdit::returnPressed, this, [this, i = indice] {
            if (i >= 50 && i <= 80)
                controllaData(i);
            ButtonComando(QStringLiteral("Aggiorna"));
        });

    auto* pannello = new QGroupBox(QStringLiteral("Selezione"), this);
    pannello->setObjectName(QStringLiteral("FraSelezione"));
    auto* g = new QGridLayout(pannello);
    g->setHorizontalSpacing(8);
    const auto etichetta = [&](const QString& testo, QWidget* compagno) {
        auto* l = new QLabel(testo, pannello);
        l->setBuddy(compagno);
        return l;
    };
    // Two columns of filters: a label, then its fields side by side ("from a: to", or the
    // code and its description).
    const auto riga = [&](int r, int colonna, const QString& testo, QWidget* primo, QWidget* secondo,
                          QWidget* terzo) {
        auto* h = new QHBoxLayout;
        h->setSpacing(6);
        h->addWidget(primo);
        h->addWidget(secondo, terzo ? 0 : 1); // a description takes the rest of the row
        if (terzo) {
            h->addWidget(terzo);
            h->addStretch(1);
        }
        g->addWidget(etichetta(testo, primo), r, colonna);
        g->addLayout(h, r, colonna + 1);
    };
    const auto coppia = [&](int r, int colonna, const QString& testo, int da, int a) {
        riga(r, colonna, testo, txt[da], etichetta(QStringLiteral("a:"), txt[a]), txt[a]);
    };
    coppia(0, 0, QStringLiteral("Anno da:"), 10, 20);
    coppia(0, 3, QStringLiteral("Num. riferimento da:"), 30, 40);
    coppia(1, 0, QStringLiteral("Data ricezione da:"), 50, 60);
    coppia(1, 3, QStringLiteral("Data documento da:"), 70, 80);
    riga(2, 0, QStringLiteral("Fornitore:"), txt[90], labFornitore, nullptr);
    riga(2, 3, QStringLiteral("Causale:"), txt[100], labCausale, nullptr);
    g->addWidget(etichetta(QStringLiteral("Fornitore o documento:"), txt[130]), 3, 0);
    g->addWidget(txt[130], 3, 1, Qt::AlignLeft);
    g->setColumnMinimumWidth(2, cifre * 4);
    auto* flag = new QHBoxLayout;
    flag->addWidget(Che[110]);
    flag->addSpacing(cifre * 3);
    flag->addWidget(Che[120]);
    flag->addStretch(1);
    g->addLayout(flag, 3, 4);
    auto* bottoni = new QHBoxLayout;
    bottoni->addStretch(1);
    bottoni->addWidget(ComFiltra);
    bottoni->addWidget(ComChiudi);
    g->addLayout(bottoni, 3, 5);
    g->setColumnStretch(5, 1);

    lista = new LumoComlin(contesto_, this);
    lista->setObjectName(QStringLiteral("LumoComlin"));
    connect(lista, &LumoComlin::selezionato, this, &frmFEPassTestLis::seleziona);

    for (QPushButton* b : {ComFiltra, ComChiudi, lista->ComCerca})
        b->setAutoDefault(false);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pannello);
    layout->addWidget(lista, 1);

    QWidget* prima = txt[10];
    for (QWidget* w : std::initializer_list<QWidget*>{txt[20], txt[30], txt[40], txt[50], txt[60], txt[70],
                                                      txt[80], txt[90], txt[100], txt[130], Che[110],
                                                      Che[120], ComFiltra, ComChiudi, lista->dbgRiga}) {
        setTabOrder(prima, w);
        prima = w;
    }
}

void frmFEPassTestLis::colonne() {
    const QString t = Tabella + u'.';
    lista->impostaTabella(Tabella);
    lista->aggiungiColonna({"Anno", t + "XmlAnno", "XmlAnno", TipoColonna::Intero, {}, 700});
    lista->aggiungiColonna({"Numero", t + "XmlNumRif", "XmlNumRif", TipoColonna::Intero, {}, 700});
    lista->aggiungiColonna({"Data ricezione", t + "DataRicSdi", "DataRicez", TipoColonna::Data, {}, 1250});
    lista->aggiungiColonna({"N. documento", t + "DGD_Numero", "NumDoc", TipoColonna::Testo, {}, 1400});
    lista->aggiungiColonna({"Data documento", t + "DGD_Data", "DataDoc", TipoColonna::Data, {}, 1300});
    lista->aggiungiColonna({"Causale", t + "Causale", "Causale", TipoColonna::Testo, {}, 700});
    lista->aggiungiColonna(
        {"Partita IVA", t + "CP_DA_IdFiscaleIVA_IdCodice", "PartitaIva", TipoColonna::Testo, {}, 1250});
    // The name the accountant looks for; the account code beside it is what posting uses.
    lista->aggiungiColonna(
        {"Ragione sociale", store::nomeFornitoreSql(), "RagioneSociale", TipoColonna::Testo, {}, 3200});
    // The supplier's account as one text; a missing part stays empty instead of blanking the
    // whole code. A computed text has no field to sort on (and its text order would put
    // 40-10-999 after 40-10-1001), so the column is not sortable.
    lista->aggiungiColonna({"Conto fornitore",
                            "COALESCE(" + CodiceConto::colonnaComeTesto(t + "GruppoFor") +
                                ", '') || '-' || COALESCE(" + CodiceConto::colonnaComeTesto(t + "MastroFor") +
                                ", '') || '-' || COALESCE(" + CodiceConto::colonnaComeTesto(t + "ContoFor") +
                                ", '')",
                            "Fornitore",
                            TipoColonna::Testo,
                            {},
                            1300,
                            false});
    // A file without the document total shows the total of its VAT summary.
    lista->aggiungiColonna(
        {"Totale documento", store::totaleDocumentoSql(), "TotaleDoc", TipoColonna::Valuta, {}, 1500});
    lista->aggiungiColonna({"Stampata", t + "Stampato", "Stampato", TipoColonna::Testo, {}, 900});
    lista->aggiungiColonna(
        {"Contabilizzata", t + "Contabilizzato", "Contabilizzato", TipoColonna::Testo, {}, 1300});
    lista->impostaChiave({t + "XmlAnno", t + "XmlNumRif"});
    // Newest received first; a file loaded by hand has no receipt date and goes by its own date.
    lista->impostaOrdinePredefinito({{"COALESCE(" + t + "DataRicSdi, " + t + "DGD_Data)", true},
                                     {t + "XmlAnno", true},
                                     {t + "XmlNumRif", true}});
    // The user's saved columns (order, widths, added fields), filters and sort, after the
    // form's own.
    lista->impostaNomeLista(NomeForm);
}

void frmFEPassTestLis::filtri() {
    lista->registraFiltro(QStringLiteral("XmlAnno"), QStringLiteral(">="), txt[10], SqlIntero);
    lista->registraFiltro(QStringLiteral("XmlAnno"), QStringLiteral("<="), txt[20], SqlIntero,
                          QStringLiteral("XmlAnnoA"));
    lista->registraFiltro(QStringLiteral("XmlNumRif"), QStringLiteral(">="), txt[30], SqlLungo);
    lista->registraFiltro(QStringLiteral("XmlNumRif"), QStringLiteral("<="), txt[40], SqlLungo);
    lista->registraFiltro(QStringLiteral("DataRicSdi"), QStringLiteral(">="), txt[50], SqlData);
    lista->registraFiltro(QStringLiteral("DataRicSdi"), QStringLiteral("<="), txt[60], SqlData);
    lista->registraFiltro(QStringLiteral("DGD_Data"), QStringLiteral(">="), txt[70], SqlData);
    lista->registraFiltro(QStringLiteral("DGD_Data"), QStringLiteral("<="), txt[80], SqlData);
    lista->registraFiltro(QStringLiteral("Causale"), QStringLiteral("="), txt[100]);
    lista->registraFiltro(QStringLiteral("Fornitore"), ConfrontoPers, txt[90]);
    lista->registraFiltro(QStringLiteral("Stampato"), QStringLiteral("="), txt[110]);
    lista->registraFiltro(QStringLiteral("Contabilizzato"), QStringLiteral("="), txt[120]);
    lista->registraFiltro(QStringLiteral("NomeODocumento"), ConfrontoPers, txt[130]);

    lista->PersListaVarie = [](const QString& campo, const QString& valore) {
        if (campo == QStringLiteral("NomeODocumento"))
            return condizioneNomeODocumento(valore);
        return campo == QStringLiteral("Fornitore") ? condizioneFornitore(valore) : QString();
    };
    lista->VerSelez = [this] { return VerSelez(); };
    lista->mostraStampa(true);
    lista->stampa = [this](LumoComlin&) { stampa(); };
    if (QAction* a = lista->tolComlin->findChild<QAction*>(QStringLiteral("Stampa")))
        a->setToolTip(QStringLiteral("Esporta le righe della lista in un file CSV"));
}

bool frmFEPassTestLis::Carica() {
    const bool ok = lista->aggiorna();
    lista->dbgRiga->setFocus();
    return ok;
}

void frmFEPassTestLis::ButtonComando(const QString& comando) {
    lista->ButtonComando(comando);
}

void frmFEPassTestLis::impostaBookmark(const std::optional<ChiaveFattura>& corrente) {
    lista->impostaBookmark(corrente ? QVariantList{corrente->anno, corrente->numero} : QVariantList{});
}

QString frmFEPassTestLis::PrepSql() const {
    return lista->PrepSql();
}

bool frmFEPassTestLis::ordinati(int da, int a, const QString& messaggio) {
    const QString x = txt[da]->text().trimmed();
    const QString y = txt[a]->text().trimmed();
    if (x.isEmpty() || y.isEmpty())
        return true;
    bool crescente = true;
    if (da >= 50) {
        const auto dx = dataDaTesto(x);
        const auto dy = dataDaTesto(y);
        crescente = !dx || !dy || *dx <= *dy;
    } else {
        // A value that is not a number is reported by the list itself when it reads it.
        const auto nx = numeroDigitato(x);
        const auto ny = numeroDigitato(y);
        crescente = !nx || !ny || !(*ny < *nx);
    }
    if (crescente)
        return true;
    msgCom(contesto_.interazione, messaggio);
    txt[da]->setFocus();
    return false;
}

bool frmFEPassTestLis::VerSelez() {
    return ordinati(10, 20, QStringLiteral("Si prega di inserire le date riferimento in ordine crescente")) &&
           ordinati(30, 40,
                    QStringLiteral("Si prega di inserire i numeri riferimento in ordine crescente")) &&
           ordinati(50, 60,
                    QStringLiteral("Si prega di inserire le date di Ricezione in ordine crescente")) &&
           ordinati(70, 80, QStringLiteral("Si prega di inserire le date di Fattura in ordine crescente"));
}

void frmFEPassTestLis::controllaData(int indice) {
    QString messaggio;
    ControllaData(txt[indice], txt[indice]->text(), 0, ReazColora, std::nullopt, false, messaggio);
    txt[indice]->setToolTip(messaggio);
}

void frmFEPassTestLis::seleziona(const QVariantList& chiave) {
    if (chiave.size() != 2)
        return;
    SceltaLista s;
    s.chiave = chiaveNormale(chiave);
    // Stepping goes on through the rows as the user saw them: the filters and order of now.
    const QueryLista& q = lista->modello()->query();
    s.vicino = [&db = contesto_.db, &ui = contesto_.interazione,
                elenco = review::ElencoOrdinato{q.tabella, q.condizione, q.chiave, clausolaOrdine(q)}](
                   const QVariantList& da, int passo) -> std::optional<QVariantList> {
        try {
            const auto k = review::chiaveVicina(db, elenco, da, passo);
            if (k)
                return chiaveNormale(*k);
        } catch (const ErroreDb& e) {
            msgCom(ui, messaggioErroreDb(QStringLiteral("Lettura della lista"), e));
        }
        return std::nullopt;
    };
    scelta_ = std::move(s);
    accept();
}

void frmFEPassTestLis::stampa() {
    if (!fileStampa && contesto_.stampaLista) {
        contesto_.stampaLista(contesto_, *lista, windowTitle());
        return;
    }
    const QString file =
        fileStampa ? fileStampa()
                   : QFileDialog::getSaveFileName(this, QStringLiteral("Stampa lista"),
                                                  QDir::home().filePath(QStringLiteral("FatturePassive.csv")),
                                                  QStringLiteral("CSV (*.csv)"));
    if (!file.isEmpty())
        lista->esportaCsv(file);
}

std::optional<SceltaLista> scegliFatturaPassiva(Contesto& contesto, QWidget* padre,
                                                std::optional<ChiaveFattura> corrente) {
    frmFEPassTestLis f(contesto, padre);
    f.impostaBookmark(corrente);
    f.Carica();
    if (f.exec() != QDialog::Accepted)
        return std::nullopt;
    return f.scelta();
}

} // namespace tesel::ui
