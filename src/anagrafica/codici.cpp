#include "anagrafica/codici.h"

#include "frame/database.h"
#include "frame/sqlvalore.h"

#include <QStringList>
#include <algorithm>

namespace tesel {

namespace {

// The description of the row of `chiave` with the further parts empty, once some account
// matches `chiave` at all.
std::optional<QString> descrizionePdc(Database& db, const QString& chiave, const QString& partiVuote) {
    const QString da = QStringLiteral(" FROM PianoConti WHERE ") + chiave;
    if (db.valore(QStringLiteral("SELECT COUNT(*)") + da).toLongLong() == 0)
        return std::nullopt;
    return db.valore(QStringLiteral("SELECT Descrizione") + da + partiVuote).toString();
}

} // namespace

std::optional<QString> descrizioneGruppo(Database& db, const QString& gruppo) {
    const auto dove = CodiceConto(gruppo, {}, {}).condizioneSql(db.contiNumerici());
    if (!dove)
        return std::nullopt;
    return descrizionePdc(db, *dove,
                          QStringLiteral(" AND ") + CodiceConto::parteVuotaSql(QStringLiteral("Mastro")) +
                              QStringLiteral(" AND ") + CodiceConto::parteVuotaSql(QStringLiteral("Conto")));
}

std::optional<QString> descrizioneMastro(Database& db, const QString& gruppo, const QString& mastro) {
    const auto dove = CodiceConto(gruppo, mastro, {}).condizioneSql(db.contiNumerici());
    if (!dove)
        return std::nullopt;
    return descrizionePdc(db, *dove,
                          QStringLiteral(" AND ") + CodiceConto::parteVuotaSql(QStringLiteral("Conto")));
}

CodiceConto contropartitaCausale(Database& db, const QString& causale) {
    Recordset rs = db.ApriRs(
        QStringLiteral("SELECT CoPartGruppo, CoPartMastro, CoPartConto FROM Causali WHERE Causale = ") +
        SqlValore(causale, SqlTesto));
    if (rs.RsEof())
        return {};
    const CodiceConto c(rs.leggiTesto(QStringLiteral("CoPartGruppo")),
                        rs.leggiTesto(QStringLiteral("CoPartMastro")),
                        rs.leggiTesto(QStringLiteral("CoPartConto")));
    return c.completo() ? c : CodiceConto{};
}

QString condizioneArticoliAttivi() {
    return QStringLiteral(" (upper(COALESCE(Inattivo, 'N')) <> 'S') ");
}

std::optional<CodiceConto> contoAcquistoArticolo(Database& db, const QString& articolo, bool soloAttivi) {
    QString sql =
        QStringLiteral("SELECT GruppoMerAcq, MastroMerAcq, ContoMerAcq FROM Articoli WHERE Articolo = ") +
        SqlValore(articolo, SqlTesto);
    if (soloAttivi)
        sql += QStringLiteral(" AND") + condizioneArticoliAttivi();
    Recordset rs = db.ApriRs(sql);
    if (rs.RsEof())
        return std::nullopt;
    return CodiceConto{rs.leggiTesto(QStringLiteral("GruppoMerAcq")).trimmed(),
                       rs.leggiTesto(QStringLiteral("MastroMerAcq")).trimmed(),
                       rs.leggiTesto(QStringLiteral("ContoMerAcq")).trimmed()};
}

} // namespace tesel
