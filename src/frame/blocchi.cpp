#include "frame/blocchi.h"

#include "frame/database.h"
#include "frame/errori.h"
#include "frame/interazione.h"

#include <QDateTime>

namespace tesel {

namespace {

QString condizioneChiave(const QString& tipo, int anno, qint64 numero) {
    return QStringLiteral(" Where Tipo = ") + SqlValore(tipo, SqlTesto) + QStringLiteral(" AND Anno = ") +
           SqlValore(anno, SqlIntero) + QStringLiteral(" AND NumReg = ") + SqlValore(numero, SqlLungo);
}

void riempiDetentore(const Recordset& rs, EsitoBloccoDoc& e) {
    e.utente = rs.leggiTesto(QStringLiteral("Utente"));
    e.varie = rs.leggiTesto(QStringLiteral("Varie"));
    e.stato = rs.leggiTesto(QStringLiteral("Stato"));
    e.gestione = rs.leggiTesto(QStringLiteral("Gestione"));
}

QString messaggioInUso(const RichiestaBlocco& r, const EsitoBloccoDoc& e) {
    QString descrizione = descrizioneGestioneInterrotta(e.gestione);
    if (descrizione.isEmpty())
        descrizione = r.descrizione.isEmpty() ? r.tipo : r.descrizione;
    return descrizione + QStringLiteral(" (anno: %1 - Num.: %2) è in uso da:").arg(r.anno).arg(r.numero) +
           e.utente + QStringLiteral("\r\nImpossibile effettuare variazioni");
}

} // namespace

QString descrizioneGestioneInterrotta(const QString& gestione) {
    // Operation codes written in LockGest.Gestione by an operation that was interrupted.
    static const std::pair<const char*, const char*> tabella[] = {
        {"MOVINT", "Movimenti Interrotti"},
        {"DDTINT", "DDT Interrotti"},
        {"FATINT", "Fatture Interrotte"},
        {"ORVINT", "Ordini Vendita Interrotti"},
        {"ORAINT", "Ordini Acquisto Interrotti"},
        {"PREINT", "Preventivi Interrotti"},
        {"EVADDTINT", "Evasione Ddt in fattura: Interrotta"},
        {"RIPDDTINT", "Ripristino Ddt da stampa: Interrotto"},
        {"PNINT", "Prima Nota Interrotti"},
    };
    const QString g = gestione.trimmed().toUpper();
    for (const auto& [codice, descrizione] : tabella)
        if (g == QLatin1String(codice))
            return QString::fromUtf8(descrizione);
    return {};
}

EsitoBloccoDoc BloccaDoc(Database& db, const RichiestaBlocco& r, Interazione* interazione) {
    EsitoBloccoDoc e;
    try {
        const QString sql =
            QStringLiteral("Select * from LockGest") + condizioneChiave(r.tipo, r.anno, r.numero);
        Recordset rs = db.ApriRs(sql);
        if (!r.prendi) {
            if (rs.RsVuoto()) {
                e.messaggio = QStringLiteral("Blocco non trovato");
                return e;
            }
            rs.RsEdit();
            rs.ScriviCampo(QStringLiteral("Stato"), r.stato);
            rs.RsUpdate();
            e.esito = BloccoAggiornato;
            return e;
        }
        if (rs.RsVuoto()) {
            if (r.soloVerifica) {
                e.esito = BloccoPreso;
                return e;
            }
            rs.RsAddNew();
            rs.ScriviCampo(QStringLiteral("Tipo"), r.tipo);
            rs.ScriviCampo(QStringLiteral("Anno"), r.anno);
            rs.ScriviCampo(QStringLiteral("NumReg"), r.numero);
            rs.ScriviCampo(QStringLiteral("Utente"), r.utente);
            rs.ScriviCampo(QStringLiteral("Stato"), r.stato);
            rs.ScriviCampo(QStringLiteral("Ora"), QDateTime::currentDateTime());
            rs.ScriviCampo(QStringLiteral("Gestione"), r.gestione);
            rs.ScriviCampo(QStringLiteral("Varie"), r.varie);
            rs.ScriviCampo(QStringLiteral("PadreTipo"), r.padreTipo);
            rs.ScriviCampo(QStringLiteral("PadreAnno"), r.padreAnno);
            rs.ScriviCampo(QStringLiteral("PadreNumReg"), r.padreNumero);
            try {
                rs.RsUpdate();
                e.esito = BloccoPreso;
                return e;
            } catch (const ErroreDb& err) {
                if (!err.chiaveDuplicata())
                    throw;
                // Another workstation added the row between our look-up and our insert.
            }
            rs = db.ApriRs(sql);
            if (rs.RsVuoto()) {
                e.messaggio = QStringLiteral("Blocco conteso e poi rilasciato: riprovare");
                e.esito = BloccoAltroUtente;
                return e;
            }
        }
        riempiDetentore(rs, e);
        e.esito =
            e.utente.compare(r.utente, Qt::CaseInsensitive) == 0 ? BloccoStessoUtente : BloccoAltroUtente;
        e.messaggio = messaggioInUso(r, e);
        if (r.mostraMessaggio && interazione)
            msgCom(*interazione, e.messaggio);
        return e;
    } catch (const ErroreDb& err) {
        e.esito = BloccoErrore;
        e.messaggio = err.descrizione();
        return e;
    }
}

bool DocBloccato(Database& db, const QString& tipo, int anno, qint64 numero) {
    Recordset rs = db.ApriRs(
        QStringLiteral("Select * from LockGest") +
        condizioneChiave(tipo, anno, numero).replace(QStringLiteral(" AND "), QStringLiteral(" and ")));
    return !rs.RsVuoto();
}

bool BloccaDocRiprova(Database& db, const RichiestaBlocco& r, Interazione& interazione, ErroriBatch& errori) {
    for (;;) {
        RichiestaBlocco senzaMessaggio = r;
        senzaMessaggio.mostraMessaggio = false;
        const EsitoBloccoDoc e = BloccaDoc(db, senzaMessaggio, &interazione);
        if (e.esito <= BloccoPreso)
            return true;
        if (e.esito == BloccoErrore) {
            errori.AccodaErrore(ErrDatabase, QStringLiteral(" errore nel loccaggio: %1 n.rif %2 anno %3")
                                                 .arg(e.messaggio)
                                                 .arg(r.numero)
                                                 .arg(r.anno));
            return false;
        }
        const QString descrizione = r.descrizione.isEmpty() ? r.tipo : r.descrizione;
        const QString testo = descrizione +
                              QStringLiteral(" (anno: %1 - Num.: %2)").arg(r.anno).arg(r.numero) +
                              QStringLiteral(" in uso da ") + e.utente;
        if (msgCom(interazione, testo, QStringLiteral("Riprova"), QStringLiteral("Esci")) != 1)
            return false;
    }
}

void SbloccaDoc(Database& db, const QString& tipo, int anno, qint64 numero) {
    db.EseguiSql(QStringLiteral("DELETE FROM LockGest") + condizioneChiave(tipo, anno, numero));
}

} // namespace tesel
