#include "review/revisione.h"

#include "frame/data.h"
#include "frame/database.h"
#include "frame/sqlvalore.h"
#include "store/store.h"

#include <algorithm>

namespace tesel::review {

namespace {

QString dove(ChiaveFattura f, const QString& tabella = {}) {
    const QString p = tabella.isEmpty() ? QString() : tabella + u'.';
    return QStringLiteral(" WHERE ") + p + QStringLiteral("XmlAnno = ") + SqlValore(f.anno, SqlIntero) +
           QStringLiteral(" AND ") + p + QStringLiteral("XmlNumRif = ") + SqlValore(f.numero, SqlLungo);
}

} // namespace

QString erroreCoordinata(const QString& colonna, const QString& valore) {
    const QString v = valore.trimmed();
    if (v.isEmpty())
        return {};
    if (colonna.compare(QStringLiteral("IBAN"), Qt::CaseInsensitive) == 0) {
        const QString iban = QString(v).remove(u' ').toUpper();
        const QString nonValido = QStringLiteral("IBAN non valido");
        if (iban.size() < 15 || iban.size() > 34 || !iban[0].isLetter() || !iban[1].isLetter() ||
            !iban[2].isDigit() || !iban[3].isDigit())
            return nonValido;
        if ((iban.startsWith(QStringLiteral("IT")) || iban.startsWith(QStringLiteral("SM"))) &&
            iban.size() != 27)
            return nonValido + QStringLiteral(": un IBAN italiano ha 27 caratteri");
        // The country and check digits go to the end; letters count 10 to 35.
        int resto = 0;
        for (const QChar c : iban.mid(4) + iban.left(4)) {
            if (c.isDigit() && c.unicode() < 128)
                resto = (resto * 10 + (c.unicode() - u'0')) % 97;
            else if (c >= u'A' && c <= u'Z')
                resto = (resto * 100 + (c.unicode() - u'A' + 10)) % 97;
            else
                return nonValido;
        }
        return resto == 1 ? QString() : nonValido + QStringLiteral(": cifre di controllo errate");
    }
    for (const char* c : {"ABI", "CAB"})
        if (colonna.compare(QLatin1String(c), Qt::CaseInsensitive) == 0) {
            const bool cifre =
                std::all_of(v.begin(), v.end(), [](QChar ch) { return ch >= u'0' && ch <= u'9'; });
            if (!cifre || v.size() != 5)
                return QLatin1String(c) + QStringLiteral(" non valido: cinque cifre");
        }
    return {};
}

bool modificabileDopoContabilizzazione(const QString& colonna) {
    return colonna.trimmed().startsWith(QStringLiteral("DGD_DT_"), Qt::CaseInsensitive);
}

std::optional<StrisciaFattura> leggiStriscia(Database& db, ChiaveFattura fattura) {
    Recordset rs =
        db.ApriRs(QStringLiteral(
                      "SELECT FatXmlTest.GruppoFor, FatXmlTest.MastroFor, FatXmlTest.ContoFor, "
                      "FatXmlTest.CP_DA_Anagrafica_Denominazione, FatXmlTest.CP_DA_Anagrafica_Nome, "
                      "FatXmlTest.CP_DA_Anagrafica_Cognome, FatXmlTest.DGD_Numero, FatXmlTest.DGD_Data, "
                      "PianoConti.Descrizione FROM FatXmlTest LEFT JOIN PianoConti ON "
                      "PianoConti.Gruppo = FatXmlTest.GruppoFor AND PianoConti.Mastro = FatXmlTest.MastroFor "
                      "AND PianoConti.Conto = FatXmlTest.ContoFor") +
                  dove(fattura, QString(store::FatXmlTest)));
    if (rs.RsEof())
        return std::nullopt;
    StrisciaFattura s;
    QStringList conto;
    for (const char* c : {"GruppoFor", "MastroFor", "ContoFor"})
        if (const QString p = rs.leggiTesto(QLatin1String(c)).trimmed(); !p.isEmpty())
            conto << p;
    s.conto = conto.join(u'-');
    s.fornitore = rs.leggiTesto(QStringLiteral("Descrizione")).trimmed();
    if (s.fornitore.isEmpty())
        s.fornitore = rs.leggiTesto(QStringLiteral("CP_DA_Anagrafica_Denominazione")).trimmed();
    if (s.fornitore.isEmpty())
        s.fornitore = (rs.leggiTesto(QStringLiteral("CP_DA_Anagrafica_Nome")) + u' ' +
                       rs.leggiTesto(QStringLiteral("CP_DA_Anagrafica_Cognome")))
                          .trimmed();
    s.numero = rs.leggiTesto(QString(store::DGD_Numero));
    if (const auto d = dataOraDaVariant(rs.LeggiCampo(QString(store::DGD_Data))))
        s.data = d->date();
    return s;
}

bool fatturaContabilizzata(Database& db, ChiaveFattura fattura) {
    return db.valore(QStringLiteral("SELECT Contabilizzato FROM FatXmlTest") + dove(fattura))
               .toString()
               .trimmed()
               .compare(QString(store::Si), Qt::CaseInsensitive) == 0;
}

QString nomeFileFattura(Database& db, ChiaveFattura fattura) {
    return db.valore(QStringLiteral("SELECT NomeFile FROM FatXmlTest") + dove(fattura)).toString();
}

void spostaRigheFattura(Database& db, ChiaveFattura da, ChiaveFattura a) {
    const QString imposta = QStringLiteral(" SET XmlAnno = ") + SqlValore(a.anno, SqlIntero) +
                            QStringLiteral(", XmlNumRif = ") + SqlValore(a.numero, SqlLungo);
    Transazione t(db);
    for (const QString& tabella :
         {QString(store::FatXmlDett), QString(store::FatXmlIva), QString(store::FatXmlPag),
          QString(store::FatXmlDatiGen), QStringLiteral("MovPnTes"), QStringLiteral("MovPnTesFatt"),
          QStringLiteral("MovPnTesFitt")})
        if (db.esisteTabella(tabella))
            db.EseguiSql(QStringLiteral("UPDATE ") + tabella + imposta + dove(da));
    t.conferma();
}

void cancellaBlocchiRiga(Database& db, ChiaveFattura fattura, qint64 xmlRigDet) {
    QStringList blocchi;
    for (const BloccoDatiGen& b : BlocchiDatiGen)
        if (b.livello == LivelloBlocco::Linea)
            blocchi << SqlValore(QString(b.xmlIdent), SqlTesto);
    db.EseguiSql(QStringLiteral("DELETE FROM FatXmlDatiGen") + dove(fattura) +
                 QStringLiteral(" AND XmlRigDet = ") + SqlValore(xmlRigDet, SqlLungo) +
                 QStringLiteral(" AND XMLIdent IN (") + blocchi.join(QStringLiteral(", ")) + u')');
}

std::set<int> blocchiDocumento(Database& db, ChiaveFattura fattura) {
    std::set<int> codici;
    Recordset rs = db.ApriRs(QStringLiteral("SELECT DISTINCT XMLIdent FROM FatXmlDatiGen") + dove(fattura) +
                             QStringLiteral(" AND XmlRigDet = 0"));
    for (; !rs.RsEof(); rs.RsMoveNext())
        if (const BloccoDatiGen* b = bloccoPerXmlIdent(rs.leggiTesto(QString(store::XMLIdent))))
            codici.insert(b->codice);
    return codici;
}

int aggiornaRigaDatiGen(Database& db, const RigaDatiGen& riga,
                        const std::vector<std::pair<QString, QVariant>>& valori) {
    QStringList assegnazioni;
    for (const auto& [colonna, valore] : valori)
        assegnazioni << colonna + QStringLiteral(" = ") + SqlValore(valore);
    return db.EseguiSql(QStringLiteral("UPDATE FatXmlDatiGen SET ") +
                        assegnazioni.join(QStringLiteral(", ")) + dove(riga.fattura) +
                        QStringLiteral(" AND XMLIdent = ") + SqlValore(riga.xmlIdent, SqlTesto) +
                        QStringLiteral(" AND XmlRigDet = ") + SqlValore(riga.xmlRigDet, SqlLungo) +
                        QStringLiteral(" AND XmlNumEle = ") + SqlValore(riga.xmlNumEle, SqlLungo));
}

std::optional<QVariantList> chiaveVicina(Database& db, const ElencoOrdinato& elenco, const QVariantList& da,
                                         int passo) {
    if (elenco.chiave.isEmpty() || da.size() != elenco.chiave.size())
        return std::nullopt;
    const QString filtro =
        elenco.condizione.trimmed().isEmpty() ? QString() : QStringLiteral(" WHERE ") + elenco.condizione;
    QStringList chiavi, uguali;
    for (int i = 0; i < elenco.chiave.size(); ++i) {
        const QString alias = QStringLiteral("k__%1").arg(i);
        chiavi << elenco.chiave[i] + QStringLiteral(" AS ") + alias;
        uguali << (da[i].isNull() ? alias + QStringLiteral(" IS NULL")
                                  : alias + QStringLiteral(" = ") + SqlValore(da[i]));
    }
    // The place of `da` in the order, then the row that many places away.
    const QVariant rn = db.valore(
        QStringLiteral("SELECT rn FROM (SELECT ROW_NUMBER() OVER (ORDER BY ") + elenco.ordine +
        QStringLiteral(") AS rn, ") + chiavi.join(QStringLiteral(", ")) + QStringLiteral(" FROM ") +
        elenco.tabella + filtro + QStringLiteral(") q WHERE ") + uguali.join(QStringLiteral(" AND ")));
    if (!rn.isValid() || rn.isNull())
        return std::nullopt;
    const qint64 riga = rn.toLongLong() - 1 + passo;
    if (riga < 0)
        return std::nullopt;
    Recordset rs =
        db.ApriRs(QStringLiteral("SELECT ") + chiavi.join(QStringLiteral(", ")) + QStringLiteral(" FROM ") +
                  elenco.tabella + filtro + QStringLiteral(" ORDER BY ") + elenco.ordine +
                  QStringLiteral(" LIMIT 1 OFFSET ") + QString::number(riga));
    if (rs.RsEof())
        return std::nullopt;
    QVariantList k;
    for (int i = 0; i < elenco.chiave.size(); ++i)
        k << rs.LeggiCampo(QStringLiteral("k__%1").arg(i));
    return k;
}

} // namespace tesel::review
