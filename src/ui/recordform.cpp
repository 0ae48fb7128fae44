#include "ui/recordform.h"

#include "frame/contesto.h"
#include "frame/database.h"
#include "frame/interazione.h"
#include "ui/insiemecampi.h"

#include <QWidget>

namespace tesel::ui {

SceltaLista SceltaLista::daChiavi(std::vector<QVariantList> chiavi, int scelta) {
    SceltaLista s;
    if (scelta >= 0 && scelta < static_cast<int>(chiavi.size()))
        s.chiave = chiavi[static_cast<std::size_t>(scelta)];
    s.vicino = [chiavi = std::move(chiavi)](const QVariantList& da,
                                            int passo) -> std::optional<QVariantList> {
        for (std::size_t i = 0; i < chiavi.size(); ++i)
            if (ComponenteCampi::stessaChiave(chiavi[i], da)) {
                const auto j = static_cast<std::ptrdiff_t>(i) + passo;
                if (j < 0 || j >= static_cast<std::ptrdiff_t>(chiavi.size()))
                    return std::nullopt;
                return chiavi[static_cast<std::size_t>(j)];
            }
        return std::nullopt;
    };
    return s;
}

SchedaRecord::SchedaRecord(Database& db, Interazione& interazione, const QString& tabella, QWidget* form)
    : ComponenteCampi(db, interazione, tabella, form,
                      QStringLiteral("Il record è stato modificato.\nSalvare le modifiche?"),
                      QStringLiteral("Esiste già un record con questa chiave")) {
    costruisci();
}

SchedaRecord::SchedaRecord(Contesto& contesto, const QString& tabella, QWidget* form)
    : SchedaRecord(contesto.db, contesto.interazione, tabella, form) {
    RitornaMenu = contesto.ritornaAlMenu;
}

SchedaRecord::~SchedaRecord() = default;

void SchedaRecord::costruisci() {
    const QList<DefComando> comandi{
        {QStringLiteral("Ricerca"), QStringLiteral("Ricerca"), QStringLiteral("(R) Ricerca"),
         QKeySequence(Qt::ALT | Qt::Key_R), QStyle::SP_FileDialogContentsView},
        comandoComune(QStringLiteral("Salva")),
        comandoComune(QStringLiteral("Cancella")),
        comandoComune(QStringLiteral("Annulla")),
        comandoComune(QStringLiteral("Duplica")),
        {QStringLiteral("VarKey"), QStringLiteral("Varia chiave"), QStringLiteral("(V) Varia campi chiave"),
         QKeySequence(Qt::ALT | Qt::Key_V), QStyle::SP_FileDialogDetailedView},
        {QStringLiteral("Lista"), QStringLiteral("Lista"), QStringLiteral("(L) Lista"),
         QKeySequence(Qt::ALT | Qt::Key_L), QStyle::SP_FileDialogListView},
        {QStringLiteral("ListaInd"), QStringLiteral("Prec. lista"),
         QStringLiteral("(-) Precedente nella lista"), QKeySequence(Qt::ALT | Qt::Key_Minus),
         QStyle::SP_ArrowUp},
        {QStringLiteral("ListaAvanti"), QStringLiteral("Succ. lista"),
         QStringLiteral("(+) Successivo nella lista"), QKeySequence(Qt::ALT | Qt::Key_Plus),
         QStyle::SP_ArrowDown},
        comandoComune(QStringLiteral("Inizio")),
        {QStringLiteral("Precedente"), QStringLiteral("Precedente"), QStringLiteral("(P) Precedente"),
         QKeySequence(Qt::ALT | Qt::Key_P), QStyle::SP_MediaSeekBackward},
        {QStringLiteral("Successivo"), QStringLiteral("Successivo"), QStringLiteral("(U) Successivo"),
         QKeySequence(Qt::ALT | Qt::Key_U), QStyle::SP_MediaSeekForward},
        comandoComune(QStringLiteral("Fine")),
        comandoComune(QStringLiteral("Chiudi")),
        comandoComune(QStringLiteral("Menu")),
    };
    aggiungiComandi(QStringLiteral("tolComPag"), comandi);
    barra_->mostra(QStringLiteral("Duplica"), false);
    connect(campi_, &InsiemeCampi::invio, this, &SchedaRecord::alInvio);
    connect(campi_, &InsiemeCampi::modificatoCambiato, this, &SchedaRecord::modificatoCambiato);
}

CampoScheda& SchedaRecord::RegistraCampo(QWidget* w, const QString& colonna, const QString& confronto,
                                         const QString& formato) {
    return campi_->registra(w, colonna, confronto, formato);
}

CampoScheda& SchedaRecord::RegistraChiave(QWidget* w, const QString& colonna, const QString& formato) {
    CampoScheda& c = campi_->registra(w, colonna, QStringLiteral("="), formato);
    c.chiave = true;
    colonneChiave_ << c.colonne().value(0);
    return c;
}

void SchedaRecord::avvia() {
    tornaChiave();
}

bool SchedaRecord::modificato() const {
    return (stato_ == Stato::Modifica || stato_ == Stato::Nuovo || stato_ == Stato::VariaChiave) &&
           campi_->modificato();
}

bool SchedaRecord::pri(int passo) {
    return chiamaPri(PersPagPri, passo);
}

void SchedaRecord::dop(int passo) {
    chiamaDop(PersPagDop, passo);
}

void SchedaRecord::cambiaStato(Stato s) {
    stato_ = s;
    campi_->modoRicerca(s == Stato::Selezione);
    applicaStato();
    emit statoCambiato();
}

void SchedaRecord::applicaStato() {
    switch (stato_) {
    case Stato::Chiave:
    case Stato::VariaChiave:
        campi_->abilita([](const CampoScheda& c) { return c.chiave; });
        break;
    case Stato::Selezione:
        campi_->abilita([](const CampoScheda& c) { return c.chiave || !c.confronto().isEmpty(); });
        break;
    case Stato::Modifica:
        campi_->abilita([](const CampoScheda& c) { return !c.chiave; });
        break;
    case Stato::Nuovo: {
        const bool libera = nuovoChiaveLibera_;
        campi_->abilita([libera](const CampoScheda& c) { return libera || !c.chiave; });
        break;
    }
    }
    aggiornaBarra();
}

void SchedaRecord::aggiornaBarra() {
    const bool record = stato_ == Stato::Modifica;
    const bool scrive = record || stato_ == Stato::Nuovo || stato_ == Stato::VariaChiave;
    const bool naviga = stato_ != Stato::VariaChiave;
    barra_->abilita(QStringLiteral("Salva"), scrive);
    barra_->abilita(QStringLiteral("Cancella"), record);
    barra_->abilita(QStringLiteral("Duplica"), record);
    barra_->abilita(QStringLiteral("VarKey"), record);
    barra_->abilita(QStringLiteral("Ricerca"), naviga);
    for (const char* k : {"Inizio", "Precedente", "Successivo", "Fine"})
        barra_->abilita(QString::fromLatin1(k), naviga);
    barra_->abilita(QStringLiteral("Lista"), naviga && static_cast<bool>(ApriLista));
    barra_->abilita(QStringLiteral("ListaInd"), naviga && static_cast<bool>(ApriLista));
    barra_->abilita(QStringLiteral("ListaAvanti"), naviga && static_cast<bool>(ApriLista));
    barra_->abilita(QStringLiteral("Menu"), static_cast<bool>(RitornaMenu));
    QString testo;
    switch (stato_) {
    case Stato::Chiave:
        testo = QStringLiteral("Inserimento chiave");
        break;
    case Stato::Selezione:
        testo = QStringLiteral("Ricerca");
        break;
    case Stato::Modifica:
        testo = filtro_.isEmpty() ? QStringLiteral("Modifica") : QStringLiteral("Modifica (ricerca attiva)");
        break;
    case Stato::Nuovo:
        testo = QStringLiteral("Nuovo record");
        break;
    case Stato::VariaChiave:
        testo = QStringLiteral("Variazione chiave");
        break;
    }
    stato_barra_->impostaPannello(QStringLiteral("Stato"), testo);
}

bool SchedaRecord::ButtonComando(const QString& chiave) {
    ultimoComando_ = chiave;
    // Commands that leave or drop what is shown run even when the focused field is wrong.
    static const QStringList lasciano{QStringLiteral("Annulla"), QStringLiteral("Chiudi"),
                                      QStringLiteral("Menu"), QStringLiteral("Ricerca")};
    if (const auto fatto = comandoDelForm(chiave, lasciano))
        return *fatto;
    using Comando = bool (SchedaRecord::*)();
    static const QList<std::pair<QString, Comando>> tabella{
        {QStringLiteral("ricerca"), &SchedaRecord::Ricerca},
        {QStringLiteral("salva"), &SchedaRecord::Salva},
        {QStringLiteral("annulla"), &SchedaRecord::Annulla},
        {QStringLiteral("cancella"), &SchedaRecord::Cancella},
        {QStringLiteral("duplica"), &SchedaRecord::Duplica},
        {QStringLiteral("varkey"), &SchedaRecord::VarKey},
        {QStringLiteral("lista"), &SchedaRecord::Lista},
        {QStringLiteral("listaind"), &SchedaRecord::ListaInd},
        {QStringLiteral("listaavanti"), &SchedaRecord::ListaAvanti},
        {QStringLiteral("inizio"), &SchedaRecord::Inizio},
        {QStringLiteral("precedente"), &SchedaRecord::Precedente},
        {QStringLiteral("successivo"), &SchedaRecord::Successivo},
        {QStringLiteral("fine"), &SchedaRecord::Fine},
        {QStringLiteral("chiudi"), &SchedaRecord::Chiudi},
        {QStringLiteral("menu"), &SchedaRecord::Menu},
    };
    // ComandoForm may have run other keys.
    ultimoComando_ = chiave;
    return eseguiComando(this, chiave, tabella, true);
}

// ---------------------------------------------------------------------------------------------
// Leaving a record

void SchedaRecord::tornaChiave() {
    filtro_.clear();
    chiave_.clear();
    nuovoChiaveLibera_ = false;
    cambiaStato(Stato::Chiave);
    campi_->pulisci(true);
    focusPrimo();
}

bool SchedaRecord::primoFocusAmmesso(const CampoScheda& c) const {
    return c.chiave || stato_ != Stato::Chiave;
}

bool SchedaRecord::Ricerca() {
    switch (stato_) {
    case Stato::Chiave:
        cambiaStato(Stato::Selezione);
        MostraMessaggio(QStringLiteral("Scrivere i valori da cercare e premere Invio"));
        focusPrimo();
        return true;
    case Stato::Selezione:
        return Cerca();
    default:
        if (!confermaAbbandono() || !pri(PassoRicerca))
            return false;
        tornaChiave();
        dop(PassoRicerca);
        return true;
    }
}

// ---------------------------------------------------------------------------------------------
// Reading records

bool SchedaRecord::leggiRecord(const QVariantList& chiave) {
    Recordset rs = db_.ApriRs(selectChiave(chiave));
    if (rs.RsEof())
        return false;
    campi_->mostra(rs);
    chiave_.clear();
    for (const QString& c : colonneChiave_)
        chiave_ << rs.LeggiCampo(c);
    nuovoChiaveLibera_ = false;
    cambiaStato(Stato::Modifica);
    return true;
}

bool SchedaRecord::mostraChiave(const QVariantList& chiave) {
    if (!pri(PassoMostra))
        return false;
    try {
        if (!leggiRecord(chiave)) {
            MostraMessaggio(QStringLiteral("Record non trovato"));
            return false;
        }
    } catch (const std::exception& e) {
        mostraErrore(QStringLiteral("Lettura non riuscita"), e);
        return false;
    }
    if (QWidget* f = QApplication::focusWidget(); !f || !f->isEnabled() || !campi_->campo(f))
        focusPrimo();
    dop(PassoMostra);
    return true;
}

bool SchedaRecord::ricarica() {
    if (chiave_.isEmpty())
        return false;
    return mostraChiave(chiave_);
}

std::optional<QVariantList> SchedaRecord::chiaveDigitata() const {
    QVariantList out;
    for (CampoScheda* c : campi_->chiavi()) {
        const auto v = c->valoriDaTesto(c->testo());
        if (!v || v->value(0).isNull())
            return std::nullopt;
        out << v->value(0);
    }
    return out;
}

bool SchedaRecord::ApriChiaveDigitata() {
    for (CampoScheda* c : campi_->chiavi()) {
        const auto v = c->valoriDaTesto(c->testo());
        if (!v || v->value(0).isNull()) {
            campi_->segnaErrore(*c, true);
            MostraMessaggio(v ? QStringLiteral("Chiave incompleta") : QStringLiteral("Valore non valido"));
            c->widget()->setFocus(Qt::OtherFocusReason);
            return false;
        }
    }
    const QVariantList chiave = *chiaveDigitata();
    try {
        Recordset rs = db_.ApriRs(QStringLiteral("SELECT ") + colonneChiave_.join(QStringLiteral(", ")) +
                                  QStringLiteral(" FROM ") + tabella_ + QStringLiteral(" WHERE ") +
                                  condizioneChiave(chiave));
        if (!rs.RsEof())
            return mostraChiave(chiave);
    } catch (const std::exception& e) {
        mostraErrore(QStringLiteral("Lettura non riuscita"), e);
        return false;
    }
    if (!consentiNuovo) {
        MostraMessaggio(QStringLiteral("Record non trovato"));
        if (!campi_->chiavi().isEmpty()) {
            // It goes once a key is typed again and found.
            stato_barra_->legaAlCampo(campi_->chiavi().first()->widget());
            campi_->chiavi().first()->widget()->setFocus(Qt::OtherFocusReason);
        }
        return false;
    }
    if (!pri(PassoNuovo))
        return false;
    chiave_.clear();
    nuovoChiaveLibera_ = false;
    campi_->pulisci(true, false);
    cambiaStato(Stato::Nuovo);
    MostraEsito(QStringLiteral("Record non trovato: inserimento di un nuovo record"));
    focusPrimo();
    dop(PassoNuovo);
    return true;
}

void SchedaRecord::alInvio(CampoScheda* c) {
    if (stato_ == Stato::Selezione) {
        if (campi_->controlla(*c))
            ButtonComando(QStringLiteral("Ricerca"));
        return;
    }
    if (stato_ == Stato::Chiave && c->chiave) {
        if (!campi_->controlla(*c))
            return;
        const QList<CampoScheda*> chiavi = campi_->chiavi();
        const qsizetype i = chiavi.indexOf(c);
        if (i + 1 < chiavi.size()) {
            chiavi[i + 1]->widget()->setFocus(Qt::TabFocusReason);
            return;
        }
        ultimoComando_ = QStringLiteral("Invio");
        ApriChiaveDigitata();
        return;
    }
    campoSeguente(c);
}

// ---------------------------------------------------------------------------------------------
// Navigation in key order (one indexed query per move, whatever the table's size)

std::optional<QVariantList> SchedaRecord::trovaChiave(Verso verso, const QVariantList* da, bool* errore) {
    *errore = false;
    QStringList condizioni;
    if (!filtro_.isEmpty())
        condizioni << u'(' + filtro_ + u')';
    for (CampoScheda* c : campi_->chiavi()) {
        if (!c->oiKeyFisso)
            continue;
        const auto v = c->valoriDaTesto(c->testo());
        if (!v || v->value(0).isNull()) {
            campi_->segnaErrore(*c, true);
            MostraMessaggio(QStringLiteral("Valore non valido"));
            c->widget()->setFocus(Qt::OtherFocusReason);
            *errore = true;
            return std::nullopt;
        }
        condizioni << c->colonne().value(0) + QStringLiteral(" = ") + SqlValore(v->value(0));
    }
    const bool avanti = verso == Verso::Primo || verso == Verso::Dopo;
    if (da && (verso == Verso::Dopo || verso == Verso::Prima)) {
        // (k1 > v1) OR (k1 = v1 AND k2 > v2) ...: the rows after (before) the key in key order.
        const QString op = avanti ? QStringLiteral(" > ") : QStringLiteral(" < ");
        QStringList alternative;
        for (int i = 0; i < colonneChiave_.size(); ++i) {
            QStringList parti;
            for (int j = 0; j < i; ++j)
                parti << colonneChiave_[j] + QStringLiteral(" = ") + SqlValore(da->value(j));
            parti << colonneChiave_[i] + op + SqlValore(da->value(i));
            alternative << u'(' + parti.join(QStringLiteral(" AND ")) + u')';
        }
        condizioni << u'(' + alternative.join(QStringLiteral(" OR ")) + u')';
    }
    QStringList ordine;
    for (const QString& c : colonneChiave_)
        ordine << (avanti ? c : c + QStringLiteral(" DESC"));
    QString sql = QStringLiteral("SELECT ") + colonneChiave_.join(QStringLiteral(", ")) +
                  QStringLiteral(" FROM ") + tabella_;
    if (!condizioni.isEmpty())
        sql += QStringLiteral(" WHERE ") + condizioni.join(QStringLiteral(" AND "));
    sql += QStringLiteral(" ORDER BY ") + ordine.join(QStringLiteral(", ")) + QStringLiteral(" LIMIT 1");
    Recordset rs = db_.ApriRs(sql);
    if (rs.RsEof())
        return std::nullopt;
    QVariantList out;
    for (const QString& c : colonneChiave_)
        out << rs.LeggiCampo(c);
    return out;
}

bool SchedaRecord::muovi(Verso verso) {
    if (!confermaAbbandono())
        return false;
    std::optional<QVariantList> da;
    if (recordPresente())
        da = chiave_;
    else if (stato_ == Stato::Chiave || stato_ == Stato::Nuovo)
        da = chiaveDigitata();
    if ((verso == Verso::Dopo || verso == Verso::Prima) && !da)
        verso = verso == Verso::Dopo ? Verso::Primo : Verso::Ultimo;
    try {
        bool errore = false;
        const auto trovata = trovaChiave(verso, da ? &*da : nullptr, &errore);
        if (errore)
            return false;
        if (!trovata) {
            switch (verso) {
            case Verso::Dopo:
                MostraMessaggio(QStringLiteral("Fine archivio"));
                break;
            case Verso::Prima:
                MostraMessaggio(QStringLiteral("Inizio archivio"));
                break;
            default:
                MostraMessaggio(QStringLiteral("Nessun record trovato"));
                break;
            }
            return false;
        }
        return mostraChiave(*trovata);
    } catch (const std::exception& e) {
        mostraErrore(QStringLiteral("Lettura non riuscita"), e);
        return false;
    }
}

bool SchedaRecord::Inizio() {
    return muovi(Verso::Primo);
}

bool SchedaRecord::Precedente() {
    return muovi(Verso::Prima);
}

bool SchedaRecord::Successivo() {
    return muovi(Verso::Dopo);
}

bool SchedaRecord::Fine() {
    return muovi(Verso::Ultimo);
}

bool SchedaRecord::Cerca() {
    QStringList condizioni;
    for (const auto& c : campi_->campi()) {
        if (!c->widget()->isEnabled())
            continue;
        const auto cond = c->condizione(c->testo());
        if (!cond) {
            campoNonValido(*c, true);
            return false;
        }
        if (!cond->isEmpty())
            condizioni << *cond;
    }
    if (!pri(PassoCerca))
        return false;
    const QString precedente = filtro_;
    filtro_ = condizioni.join(QStringLiteral(" AND "));
    try {
        bool errore = false;
        const auto trovata = trovaChiave(Verso::Primo, nullptr, &errore);
        if (!trovata) {
            filtro_ = precedente;
            if (!errore)
                MostraMessaggio(QStringLiteral("Nessun record trovato"));
            return false;
        }
        QString conta = QStringLiteral("SELECT count(*) FROM ") + tabella_;
        if (!filtro_.isEmpty())
            conta += QStringLiteral(" WHERE ") + filtro_;
        const qlonglong n = db_.valore(conta).toLongLong();
        if (!mostraChiave(*trovata)) {
            filtro_ = precedente;
            return false;
        }
        aggiornaBarra();
        MostraEsito(QStringLiteral("Record trovati: %1").arg(n));
        return true;
    } catch (const std::exception& e) {
        filtro_ = precedente;
        mostraErrore(QStringLiteral("Ricerca non riuscita"), e);
        return false;
    }
}

bool SchedaRecord::Lista() {
    if (!ApriLista || !confermaAbbandono())
        return false;
    auto scelta = ApriLista();
    if (!scelta || scelta->chiave.isEmpty())
        return false;
    lista_ = std::move(scelta);
    return mostraChiave(lista_->chiave);
}

bool SchedaRecord::ListaInd() {
    if (!lista_ || !lista_->vicino)
        return Lista();
    if (!confermaAbbandono())
        return false;
    const auto k = lista_->vicino(chiave_.isEmpty() ? lista_->chiave : chiave_, -1);
    if (!k) {
        MostraMessaggio(QStringLiteral("Inizio lista"));
        return false;
    }
    return mostraChiave(*k);
}

bool SchedaRecord::ListaAvanti() {
    if (!lista_ || !lista_->vicino)
        return Lista();
    if (!confermaAbbandono())
        return false;
    const auto k = lista_->vicino(chiave_.isEmpty() ? lista_->chiave : chiave_, +1);
    if (!k) {
        MostraMessaggio(QStringLiteral("Fine lista"));
        return false;
    }
    return mostraChiave(*k);
}

// ---------------------------------------------------------------------------------------------
// Writing

bool SchedaRecord::Salva() {
    switch (stato_) {
    case Stato::Modifica:
    case Stato::Nuovo:
        return salvaRecord();
    case Stato::VariaChiave:
        return salvaChiave();
    default:
        MostraMessaggio(QStringLiteral("Nessun record da salvare"));
        return false;
    }
}

bool SchedaRecord::salvaRecord() {
    if (!controlloSalva())
        return false;

    const bool nuovo = stato_ == Stato::Nuovo;
    if (nuovo && !chiaveDigitata()) {
        MostraMessaggio(QStringLiteral("Chiave incompleta"));
        focusPrimo();
        return false;
    }
    QList<CampoScheda*> daScrivere;
    if (nuovo) {
        for (const auto& c : campi_->campi())
            daScrivere << c.get();
    } else {
        daScrivere = campi_->modificati();
        if (daScrivere.isEmpty()) {
            MostraMessaggio(QStringLiteral("Nessuna modifica da salvare"));
            return true;
        }
    }
    // The values, read before the transaction so a wrong one written by the form stops here.
    const auto letti = leggiValori(daScrivere, true);
    if (!letti)
        return false;
    const QList<QVariantList>& valori = *letti;
    QVariantList chiave = chiave_;
    try {
        Transazione t(db_);
        if (nuovo) {
            Recordset rs =
                db_.ApriRs(QStringLiteral("SELECT * FROM ") + tabella_ + QStringLiteral(" WHERE 1=0"));
            rs.RsAddNew();
            for (int i = 0; i < daScrivere.size(); ++i)
                for (int j = 0; j < daScrivere[i]->colonne().size(); ++j)
                    if (!valori[i].value(j).isNull())
                        rs.ScriviCampo(daScrivere[i]->colonne()[j], valori[i].value(j));
            rs.RsUpdate();
            chiave = *chiaveDigitata();
        } else {
            Recordset rs = db_.ApriRs(selectChiave(chiave_));
            if (rs.RsEof()) {
                msgCom(
                    interazione_,
                    QStringLiteral("Il record non esiste più: è stato cancellato da un'altra postazione."));
                return false;
            }
            bool altri = false;
            for (CampoScheda* c : daScrivere) {
                QVariantList ora;
                for (const QString& col : c->colonne())
                    ora << (rs.haCampo(col) ? rs.LeggiCampo(col) : QVariant());
                if (c->testoDaValori(ora) != c->testoDaValori(c->letti))
                    altri = true;
            }
            if (altri &&
                msgCom(interazione_,
                       QStringLiteral("Il record è stato modificato da un'altra postazione dopo la lettura.\n"
                                      "Sovrascrivere con i dati mostrati?"),
                       QStringLiteral("&Ok"), QStringLiteral("&Annulla")) != 1)
                return false;
            aggiornaRecord(rs, daScrivere, valori);
        }
        t.conferma();
    } catch (const std::exception& e) {
        mostraErrore(QStringLiteral("Salvataggio non riuscito"), e);
        return false;
    }
    try {
        leggiRecord(chiave);
    } catch (const std::exception& e) {
        mostraErrore(QStringLiteral("Lettura non riuscita"), e);
    }
    MostraEsito(nuovo ? QStringLiteral("Record inserito") : QStringLiteral("Record salvato"));
    dop(PassoScrivi);
    return true;
}

bool SchedaRecord::VarKey() {
    if (stato_ != Stato::Modifica || !confermaAbbandono())
        return false;
    cambiaStato(Stato::VariaChiave);
    MostraMessaggio(QStringLiteral("Scrivere la nuova chiave e salvare"));
    focusPrimo();
    return true;
}

bool SchedaRecord::salvaChiave() {
    const auto nuova = chiaveDigitata();
    if (!nuova) {
        MostraMessaggio(QStringLiteral("Valore non valido"));
        return false;
    }
    if (stessaChiave(*nuova, chiave_)) {
        cambiaStato(Stato::Modifica);
        return true;
    }
    try {
        Transazione t(db_);
        if (!pri(PassoVarKey))
            return false;
        Recordset rs = db_.ApriRs(selectChiave(chiave_));
        if (rs.RsEof()) {
            msgCom(interazione_,
                   QStringLiteral("Il record non esiste più: è stato cancellato da un'altra postazione."));
            return false;
        }
        rs.RsEdit();
        for (int i = 0; i < colonneChiave_.size(); ++i)
            rs.ScriviCampo(colonneChiave_[i], nuova->value(i));
        rs.RsUpdate();
        t.conferma();
    } catch (const std::exception& e) {
        mostraErrore(QStringLiteral("Variazione della chiave non riuscita"), e);
        return false;
    }
    chiave_ = *nuova;
    dop(PassoVarKey);
    return mostraChiave(*nuova);
}

bool SchedaRecord::Annulla() {
    switch (stato_) {
    case Stato::Chiave:
        campi_->pulisci(true);
        focusPrimo();
        return true;
    case Stato::Selezione:
        tornaChiave();
        return true;
    case Stato::VariaChiave:
        for (CampoScheda* c : campi_->chiavi())
            c->impostaTesto(c->caricato);
        cambiaStato(Stato::Modifica);
        return true;
    case Stato::Nuovo:
        if (!pri(PassoAnnulla))
            return false;
        tornaChiave();
        dop(PassoAnnulla);
        return true;
    case Stato::Modifica:
        if (!pri(PassoAnnulla))
            return false;
        try {
            if (!leggiRecord(chiave_)) {
                MostraMessaggio(QStringLiteral("Il record non esiste più"));
                tornaChiave();
            }
        } catch (const std::exception& e) {
            mostraErrore(QStringLiteral("Lettura non riuscita"), e);
            return false;
        }
        dop(PassoAnnulla);
        return true;
    }
    return false;
}

bool SchedaRecord::Duplica() {
    if (stato_ != Stato::Modifica || !confermaAbbandono() || !pri(PassoDuplica))
        return false;
    for (const auto& c : campi_->campi()) {
        c->caricato.clear();
        c->letti.clear();
    }
    for (CampoScheda* c : campi_->chiavi())
        c->impostaTesto(c->valorePredefinito());
    chiave_.clear();
    nuovoChiaveLibera_ = true;
    cambiaStato(Stato::Nuovo);
    MostraMessaggio(QStringLiteral("Scrivere la chiave del nuovo record e salvare"));
    focusPrimo();
    dop(PassoDuplica);
    return true;
}

bool SchedaRecord::Cancella() {
    if (stato_ == Stato::Nuovo)
        return Annulla();
    if (stato_ != Stato::Modifica) {
        MostraMessaggio(QStringLiteral("Nessun record da cancellare"));
        return false;
    }
    if (chiediConfermaCancella &&
        msgCom(interazione_, QStringLiteral("Confermi la cancellazione del record?"), QStringLiteral("&Ok"),
               QStringLiteral("&Annulla")) != 1)
        return false;
    if (!cancellaRecord())
        return false;
    tornaChiave();
    MostraEsito(QStringLiteral("Record cancellato"));
    dop(PassoCancella);
    return true;
}

bool SchedaRecord::SegnaRec(const QString& campo, const QString& valore) {
    if (!recordPresente())
        return false;
    try {
        db_.EseguiSql(QStringLiteral("UPDATE ") + tabella_ + QStringLiteral(" SET ") + campo +
                      QStringLiteral(" = ") + SqlValore(valore, SqlTesto) + QStringLiteral(" WHERE ") +
                      condizioneChiave(chiave_));
    } catch (const std::exception& e) {
        mostraErrore(QStringLiteral("Aggiornamento non riuscito"), e);
        return false;
    }
    return ricarica();
}

} // namespace tesel::ui
