// The import's report of a batch and the checks of its options against the company's tables.

#include "import/importazione.h"

#include "anagrafica/codici.h"
#include "frame/currency.h"
#include "frame/database.h"
#include "frame/sqlvalore.h"
#include "frame/testoxml.h"
#include "import/filefattura.h"

namespace tesel {

// ---- Reports ---------------------------------------------------------------------------------------

const QString RapportoImport::TitoloCaricate =
    QStringLiteral("Fatture caricate (Anno/Num. rif. - Fornitore - Documento - Totale - File)");

void RapportoImport::aggiungi(const std::vector<EsitoImport>& esiti) {
    bool erroriFile = false;
    bool tutte = !esiti.empty();
    for (const EsitoImport& e : esiti) {
        tutte = tutte && e.ok;
        if (e.ok) {
            const QString fornitore = e.fornitore.trimmed().isEmpty()
                                          ? e.partitaIva
                                          : e.partitaIva + u' ' + citaValore(e.fornitore.simplified());
            caricate_ +=
                AcapoErr + QStringLiteral("%1/%2 - ").arg(e.anno).arg(e.numRif) + fornitore +
                QStringLiteral(" - n. ") + citaValore(e.numero.trimmed()) + QStringLiteral(" del ") +
                e.dataDocumento.toString(QStringLiteral("dd/MM/yyyy")) + QStringLiteral(" - ") +
                (e.totale ? formatta(*e.totale, u"#,##0.00") : QStringLiteral("totale non indicato")) +
                QStringLiteral(" - ") + e.nomeFile;
            ++nCaricate_;
        }
        if (e.ok && !e.avvisi.isEmpty()) {
            avvisi_ += AcapoErr + QStringLiteral("File: ") + e.nomeFile;
            for (const QString& a : e.avvisi)
                avvisi_ += AcapoErr + QStringLiteral("  ") + a;
        }
        for (const QString& allegato : e.allegati)
            allegati_ += AcapoErr + e.nomeFile + QStringLiteral(" - ") + allegato;
        if (e.errori.isEmpty())
            continue;
        // Conversion messages do not name their file: the report must.
        if (!e.errori.contains(e.nomeFile))
            errori_ += AcapoErr + QStringLiteral("File: ") + e.nomeFile;
        errori_ += e.errori;
        erroriFile = erroriFile || !e.ok;
    }
    if (erroriFile)
        ++nErrori_;
    if (tutte)
        ++nFileCaricati_;
}

QString RapportoImport::conclusione(int fileElencati) const {
    if (nFileCaricati_ == fileElencati)
        return QStringLiteral("Caricamento completato");
    return QStringLiteral("%1 di %2 file caricati").arg(nFileCaricati_).arg(fileElencati);
}

void RapportoImport::aggiungiInesistente(const QString& file) {
    errori_ += AcapoErr + file + QStringLiteral(" - inesistente");
    ++nErrori_;
}

QString erroreCausaleImport(Database& db, const QString& causale) {
    const QVariant tipo = db.valore(QStringLiteral("SELECT TipoCausale FROM Causali WHERE Causale = ") +
                                    SqlValore(causale, SqlTesto));
    if (!tipo.isValid())
        return QStringLiteral("Causale inesistente");
    if (tipo.toString().trimmed() != u"A")
        return QStringLiteral("La causale non è di acquisto");
    return {};
}

QString erroreCodiceIvaImport(Database& db, const QString& iva) {
    return db.valore(QStringLiteral("SELECT COUNT(*) FROM TabIva WHERE Iva = ") + SqlValore(iva, SqlTesto))
                       .toLongLong() > 0
               ? QString()
               : QStringLiteral("Codice IVA inesistente");
}

QString erroreNaturaImport(Database& db, const QString& natura) {
    return db.valore(
                 QStringLiteral("SELECT COUNT(*) FROM Decodifiche WHERE TipoTab = 'FENatura' AND Codice = ") +
                 SqlValore(natura, SqlTesto))
                       .toLongLong() > 0
               ? QString()
               : QStringLiteral("Natura inesistente");
}

QStringList erroriOpzioniImport(Database& db, const OpzioniImport& opzioni) {
    QStringList errori;
    const auto aggiungi = [&](const QString& codice, const QString& errore) {
        if (!errore.isEmpty())
            errori << codice + QStringLiteral(": ") + errore;
    };
    if (!opzioni.causale.trimmed().isEmpty())
        aggiungi(opzioni.causale.trimmed(), erroreCausaleImport(db, opzioni.causale.trimmed()));
    for (const IvaPerNatura& n : opzioni.ivaPerNatura) {
        aggiungi(n.natura, erroreNaturaImport(db, n.natura));
        aggiungi(n.iva, erroreCodiceIvaImport(db, n.iva));
    }
    if (!opzioni.ivaAltra.trimmed().isEmpty())
        aggiungi(opzioni.ivaAltra.trimmed(), erroreCodiceIvaImport(db, opzioni.ivaAltra.trimmed()));
    // New suppliers are opened only under a group and ledger the chart has: a code it cannot
    // hold (letters where its accounts are numbers) is not there either.
    const QString gruppo = opzioni.gruppoFornitori.trimmed(), mastro = opzioni.mastroFornitori.trimmed();
    if (opzioni.creaFornitori && !gruppo.isEmpty() && !mastro.isEmpty()) {
        if (!descrizioneGruppo(db, gruppo))
            aggiungi(gruppo, QStringLiteral("Gruppo inesistente nel piano dei conti"));
        else if (!descrizioneMastro(db, gruppo, mastro))
            aggiungi(mastro, QStringLiteral("Mastro inesistente nel gruppo ") + gruppo);
    }
    return errori;
}

} // namespace tesel
