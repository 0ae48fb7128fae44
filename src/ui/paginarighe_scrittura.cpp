// Writing through the line-page component: a new, inserted or duplicated row, saving, the key
// change, deleting, cancelling, and the numbering of the rows.

#include "ui/paginarighe.h"

#include "frame/contesto.h"
#include "frame/currency.h"
#include "frame/data.h"
#include "frame/database.h"
#include "frame/interazione.h"
#include "ui/insiemecampi.h"

#include <QAction>
#include <QHeaderView>
#include <QRegularExpression>
#include <QSqlField>
#include <QSqlRecord>
#include <QTableView>

namespace tesel::ui {

// ---------------------------------------------------------------------------------------------
// Writing rows

bool PaginaRighe::iniziaNuova(int passo, bool inserisci, bool copia) {
    if (!abilRW_)
        return false;
    if (copia && chiave_.isEmpty())
        return false;
    if (!confermaAbbandono() || !pri(passo))
        return false;
    numeroInserimento_ = 0;
    if (inserisci) {
        const int n = modello_->colonna(colonnaNumero());
        if (rigaCorrente() < 0 || n < 0) {
            inserisci = false; // nothing to insert before: a row at the end
        } else {
            numeroInserimento_ = modello_->valore(rigaCorrente(), n).toLongLong();
        }
    }
    inserisci_ = inserisci;
    if (copia) {
        for (const auto& c : campi_->campi()) {
            c->caricato.clear();
            c->letti.clear();
        }
    } else {
        campi_->pulisci(true);
    }
    cambiaModo(Modo::Nuovo);
    MostraMessaggio(inserisci ? QStringLiteral("Inserimento di una riga prima della riga corrente")
                              : QStringLiteral("Nuova riga"));
    focusPrimo();
    dop(passo);
    return true;
}

bool PaginaRighe::Nuovo() {
    return iniziaNuova(PassoNuovo, false, false);
}

bool PaginaRighe::Inserisci() {
    return iniziaNuova(PassoInserisci, true, false);
}

bool PaginaRighe::Duplica() {
    return iniziaNuova(PassoDuplica, false, true);
}

bool PaginaRighe::Salva() {
    if (!abilRW_)
        return false;
    if (modo_ == Modo::Consultazione) {
        MostraMessaggio(QStringLiteral("Nessuna modifica da salvare"));
        return true;
    }
    if (modo_ == Modo::VariaChiave)
        return salvaChiave();
    if (!controlloSalva())
        return false;
    return modo_ == Modo::Nuovo ? salvaNuova() : salvaRiga();
}

bool PaginaRighe::salvaNuova() {
    ValoriRiga valori = fissi_;
    for (const auto& c : campi_->campi()) {
        const auto v = c->valoriDaTesto(c->testo());
        if (!v) {
            campoNonValido(*c, false);
            return false;
        }
        for (int j = 0; j < c->colonne().size(); ++j)
            if (!v->value(j).isNull())
                valori.insert(c->colonne()[j], v->value(j));
    }
    const bool inserisci = inserisci_;
    QVariantList nuovaChiave;
    try {
        Transazione t(db_);
        if (CompletaInserisci) {
            CompletaInserisci(valori, inserisci);
        } else if (const QString n = colonnaNumero(); !n.isEmpty()) {
            if (inserisci) {
                spostaRighe(numeroInserimento_, +1);
                valori.insert(n, numeroInserimento_);
            } else {
                valori.insert(n, ultimoNumero() + 1);
            }
        }
        Recordset rs = db_.ApriRs(QStringLiteral("SELECT * FROM ") + tabella_ + QStringLiteral(" WHERE 1=0"));
        rs.RsAddNew();
        for (auto it = valori.constBegin(); it != valori.constEnd(); ++it)
            rs.ScriviCampo(it.key(), it.value());
        rs.RsUpdate();
        t.conferma();
        for (const QString& c : colonneChiave_) {
            QVariant v;
            for (auto it = valori.constBegin(); it != valori.constEnd(); ++it)
                if (it.key().compare(c, Qt::CaseInsensitive) == 0)
                    v = it.value();
            nuovaChiave << v;
        }
    } catch (const std::exception& e) {
        mostraErrore(QStringLiteral("Salvataggio non riuscito"), e);
        return false;
    }
    inserisci_ = false;
    modo_ = Modo::Consultazione;
    rileggi(nuovaChiave, rigaCorrente());
    MostraEsito(QStringLiteral("Riga inserita"));
    dop(PassoScrivi);
    return true;
}

bool PaginaRighe::salvaRiga() {
    const QList<CampoScheda*> daScrivere = campi_->modificati();
    if (daScrivere.isEmpty()) {
        cambiaModo(Modo::Consultazione);
        MostraMessaggio(QStringLiteral("Nessuna modifica da salvare"));
        return true;
    }
    const auto valori = leggiValori(daScrivere, false);
    if (!valori)
        return false;
    try {
        Transazione t(db_);
        Recordset rs = db_.ApriRs(selectChiave(chiave_));
        if (rs.RsEof()) {
            msgCom(interazione_,
                   QStringLiteral("La riga non esiste più: è stata cancellata da un'altra postazione."));
            return false;
        }
        aggiornaRecord(rs, daScrivere, *valori);
        t.conferma();
    } catch (const std::exception& e) {
        mostraErrore(QStringLiteral("Salvataggio non riuscito"), e);
        return false;
    }
    modo_ = Modo::Consultazione;
    rileggi(chiave_, rigaCorrente());
    MostraEsito(QStringLiteral("Riga salvata"));
    dop(PassoScrivi);
    return true;
}

bool PaginaRighe::VarKey() {
    if (!abilRW_ || chiave_.isEmpty() || campi_->chiavi().isEmpty() || !confermaAbbandono())
        return false;
    cambiaModo(Modo::VariaChiave);
    focusPrimo();
    return true;
}

bool PaginaRighe::salvaChiave() {
    QVariantMap nuovi;
    for (CampoScheda* c : campi_->chiavi()) {
        const auto v = c->valoriDaTesto(c->testo());
        if (!v || v->value(0).isNull()) {
            MostraMessaggio(QStringLiteral("Valore non valido"));
            return false;
        }
        nuovi.insert(c->colonne().value(0), v->value(0));
    }
    QVariantList nuovaChiave;
    for (int i = 0; i < colonneChiave_.size(); ++i) {
        QVariant v = chiave_.value(i);
        for (auto it = nuovi.constBegin(); it != nuovi.constEnd(); ++it)
            if (it.key().compare(colonneChiave_[i], Qt::CaseInsensitive) == 0)
                v = it.value();
        nuovaChiave << v;
    }
    try {
        Transazione t(db_);
        if (!pri(PassoVarKey))
            return false;
        Recordset rs = db_.ApriRs(selectChiave(chiave_));
        if (rs.RsEof())
            return false;
        rs.RsEdit();
        for (auto it = nuovi.constBegin(); it != nuovi.constEnd(); ++it)
            rs.ScriviCampo(it.key(), it.value());
        rs.RsUpdate();
        t.conferma();
    } catch (const std::exception& e) {
        mostraErrore(QStringLiteral("Variazione della chiave non riuscita"), e);
        return false;
    }
    modo_ = Modo::Consultazione;
    dop(PassoVarKey);
    rileggi(nuovaChiave, rigaCorrente());
    return true;
}

bool PaginaRighe::Cancella() {
    if (!abilRW_)
        return false;
    if (modo_ == Modo::Nuovo)
        return Annulla();
    if (chiave_.isEmpty()) {
        MostraMessaggio(QStringLiteral("Nessuna riga da cancellare"));
        return false;
    }
    if (msgCom(interazione_, QStringLiteral("Confermi la cancellazione della riga?"), QStringLiteral("&Ok"),
               QStringLiteral("&Annulla")) != 1)
        return false;
    const int riga = rigaCorrente();
    if (!cancellaRecord())
        return false;
    chiave_.clear();
    modo_ = Modo::Consultazione;
    dop(PassoCancella);
    rileggi({}, riga);
    MostraEsito(QStringLiteral("Riga cancellata"));
    return true;
}

bool PaginaRighe::Annulla() {
    switch (modo_) {
    case Modo::Consultazione:
        return true;
    case Modo::VariaChiave:
        for (CampoScheda* c : campi_->chiavi())
            c->impostaTesto(c->caricato);
        cambiaModo(Modo::Consultazione);
        return true;
    case Modo::Nuovo: {
        if (!pri(PassoAnnulla))
            return false;
        const bool ins = inserisci_;
        modo_ = Modo::Consultazione;
        if (AnnullaIns)
            AnnullaIns(ins);
        mostraRiga(rigaCorrente());
        dop(PassoAnnulla);
        return true;
    }
    case Modo::Modifica:
        if (!pri(PassoAnnulla))
            return false;
        mostraRiga(rigaCorrente());
        dop(PassoAnnulla);
        return true;
    }
    return false;
}

// ---------------------------------------------------------------------------------------------
// Row numbers

qint64 PaginaRighe::ultimoNumero() {
    const QString n = colonnaNumero();
    const QVariant v = db_.valore(QStringLiteral("SELECT ") + n + QStringLiteral(" FROM ") + tabella_ +
                                  QStringLiteral(" WHERE ") + condizioneFissi() +
                                  QStringLiteral(" ORDER BY ") + n + QStringLiteral(" DESC LIMIT 1"));
    return v.isValid() && !v.isNull() ? v.toLongLong() : 0;
}

void PaginaRighe::spostaRighe(qint64 da, int passo) {
    if (passo == 0)
        return;
    // Both engines check the key row by row, so "n = n + 1" would collide with the next row:
    // the rows go through negative numbers first.
    const QString n = colonnaNumero();
    const QString dove = QStringLiteral(" WHERE ") + condizioneFissi();
    db_.EseguiSql(QStringLiteral("UPDATE ") + tabella_ + QStringLiteral(" SET ") + n +
                  QStringLiteral(" = -(") + n + (passo > 0 ? QStringLiteral(" + ") : QStringLiteral(" - ")) +
                  QString::number(std::abs(passo)) + QStringLiteral(")") + dove + QStringLiteral(" AND ") +
                  n + QStringLiteral(" >= ") + QString::number(da));
    db_.EseguiSql(QStringLiteral("UPDATE ") + tabella_ + QStringLiteral(" SET ") + n +
                  QStringLiteral(" = -") + n + dove + QStringLiteral(" AND ") + n + QStringLiteral(" < 0"));
}

void PaginaRighe::rinumeraRighe() {
    const QString n = colonnaNumero();
    QList<qint64> numeri;
    {
        Recordset rs =
            db_.ApriRs(QStringLiteral("SELECT ") + n + QStringLiteral(" FROM ") + tabella_ +
                       QStringLiteral(" WHERE ") + condizioneFissi() + QStringLiteral(" ORDER BY ") + n);
        while (!rs.RsEof()) {
            numeri << rs.LeggiCampo(n).toLongLong();
            rs.RsMoveNext();
        }
    }
    // Walking upward, the number given is never above the row's own, so it is always free.
    for (int i = 0; i < numeri.size(); ++i)
        if (numeri[i] != i + 1)
            db_.EseguiSql(QStringLiteral("UPDATE ") + tabella_ + QStringLiteral(" SET ") + n +
                          QStringLiteral(" = ") + QString::number(i + 1) + QStringLiteral(" WHERE ") +
                          condizioneFissi() + QStringLiteral(" AND ") + n + QStringLiteral(" = ") +
                          QString::number(numeri[i]));
}

} // namespace tesel::ui
