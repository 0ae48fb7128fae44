#include "store/selezione.h"

#include "frame/database.h"
#include "frame/sqlvalore.h"

#include <QDateTime>

namespace tesel::store {

namespace {

QString data(const QDate& d, const QTime& ora = QTime(0, 0)) {
    return SqlValore(QDateTime(d, ora), SqlData);
}

template <typename T> bool fuoriOrdine(const std::optional<T>& da, const std::optional<T>& a) {
    return da && a && *da > *a;
}

} // namespace

QString testoCriterio(const QString& t) {
    return SqlValore(t.trimmed(), SqlTesto);
}

QString nomeFornitoreSql() {
    return QStringLiteral("COALESCE(NULLIF(TRIM(FatXmlTest.CP_DA_Anagrafica_Denominazione), ''), "
                          "TRIM(COALESCE(FatXmlTest.CP_DA_Anagrafica_Nome, '') || ' ' || "
                          "COALESCE(FatXmlTest.CP_DA_Anagrafica_Cognome, '')))");
}

QString totaleDocumentoSql() {
    return QStringLiteral("COALESCE(FatXmlTest.DGD_ImportoTotaleDocumento, (SELECT "
                          "SUM(COALESCE(FatXmlIva.ImponibileImporto, 0) + COALESCE(FatXmlIva.Imposta, 0)) "
                          "FROM FatXmlIva WHERE FatXmlIva.XmlAnno = FatXmlTest.XmlAnno AND "
                          "FatXmlIva.XmlNumRif = FatXmlTest.XmlNumRif))");
}

QString DecodPartiva(Database& db, const QString& partitaIva, const QString& codiceFiscale) {
    if (partitaIva.trimmed().isEmpty() && codiceFiscale.trimmed().isEmpty())
        return {};
    QString sql = QStringLiteral("Select Gruppo, Mastro, Conto, Descrizione From Pianoconti Where Tipo = 2");
    if (!partitaIva.trimmed().isEmpty())
        sql += QStringLiteral(" And PartIva = ") + testoCriterio(partitaIva);
    if (!codiceFiscale.trimmed().isEmpty())
        sql += QStringLiteral(" And CodFisc = ") + testoCriterio(codiceFiscale);
    sql += QStringLiteral(" Order by Gruppo desc, mastro desc, conto desc");
    Recordset rs = db.ApriRs(sql);
    if (rs.RsEof())
        return QStringLiteral("Non esistente in archivio fornitori");
    const QString prima = rs.leggiTesto(QStringLiteral("Descrizione"));
    rs.RsMoveNext();
    if (!rs.RsEof())
        return QStringLiteral("DUPLICATO - ") + prima;
    return prima;
}

QStringList condizioniSelezione(const CriteriSelezione& c) {
    QStringList criteri;
    if (!c.tipoDocumento.trimmed().isEmpty())
        criteri << QStringLiteral("FatXmlTest.DGD_TipoDocumento = ") + testoCriterio(c.tipoDocumento);
    if (c.annoDa)
        criteri << QStringLiteral("FatXmlTest.XmlAnno >= ") + SqlValore(*c.annoDa, SqlIntero);
    if (c.annoA)
        criteri << QStringLiteral("FatXmlTest.XmlAnno <= ") + SqlValore(*c.annoA, SqlIntero);
    if (c.numeroDa)
        criteri << QStringLiteral("FatXmlTest.XmlNumRif >= ") + SqlValore(*c.numeroDa, SqlLungo);
    if (c.numeroA)
        criteri << QStringLiteral("FatXmlTest.XmlNumRif <= ") + SqlValore(*c.numeroA, SqlLungo);
    if (c.dataDa)
        criteri << QStringLiteral("FatXmlTest.DGD_Data >= ") + data(*c.dataDa);
    if (c.dataA)
        criteri << QStringLiteral("FatXmlTest.DGD_Data <= ") + data(*c.dataA);
    if (!c.numeroDocumento.trimmed().isEmpty())
        criteri << QStringLiteral("FatXmlTest.DGD_Numero = ") + testoCriterio(c.numeroDocumento);
    if (c.ricezioneDa)
        criteri << QStringLiteral("FatXmlTest.DataRicSdi >= ") + data(*c.ricezioneDa);
    // The receipt carries its time: the whole last day is in.
    if (c.ricezioneA)
        criteri << QStringLiteral("FatXmlTest.DataRicSdi <= ") + data(*c.ricezioneA, QTime(23, 59, 59));
    if (!c.partitaIva.trimmed().isEmpty())
        criteri << QStringLiteral("FatXmlTest.CP_DA_IdFiscaleIVA_IdCodice = ") + testoCriterio(c.partitaIva);
    if (!c.codiceFiscale.trimmed().isEmpty())
        criteri << QStringLiteral("FatXmlTest.CP_DA_CodiceFiscale = ") + testoCriterio(c.codiceFiscale);
    return criteri;
}

std::optional<ErroreOrdine> controllaOrdine(const CriteriSelezione& c) {
    if (fuoriOrdine(c.annoDa, c.annoA))
        return ErroreOrdine{Coppia::Anni,
                            QStringLiteral("Si prega di inserire le date riferimento in ordine crescente")};
    if (fuoriOrdine(c.numeroDa, c.numeroA))
        return ErroreOrdine{Coppia::Numeri,
                            QStringLiteral("Si prega di inserire i numeri riferimento in ordine crescente")};
    if (fuoriOrdine(c.dataDa, c.dataA))
        return ErroreOrdine{Coppia::DateDocumento,
                            QStringLiteral("Si prega di inserire le date di Fattura in ordine crescente")};
    if (fuoriOrdine(c.ricezioneDa, c.ricezioneA))
        return ErroreOrdine{Coppia::DateRicezione,
                            QStringLiteral("Si prega di inserire le date di Ricezione in ordine crescente")};
    return std::nullopt;
}

} // namespace tesel::store
