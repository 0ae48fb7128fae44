#include "store/store.h"

#include "frame/currency.h"
#include "frame/data.h"
#include "frame/sqlvalore.h"

#include <algorithm>
#include <tuple>

namespace tesel {

const BloccoDatiGen* bloccoPerCodice(int codice) {
    if (codice < 0 || codice >= static_cast<int>(BlocchiDatiGen.size()))
        return nullptr;
    return &BlocchiDatiGen[static_cast<std::size_t>(codice)];
}

const BloccoDatiGen* bloccoPerXmlIdent(QAnyStringView xmlIdent) {
    for (const auto& b : BlocchiDatiGen)
        if (QAnyStringView::compare(xmlIdent, b.xmlIdent) == 0)
            return &b;
    return nullptr;
}

namespace {

QString chiave(int anno, qint32 numero) {
    return QStringLiteral(" Where XmlAnno = ") + SqlValore(anno, SqlIntero) +
           QStringLiteral(" And XmlNumRif = ") + SqlValore(numero, SqlLungo);
}

std::vector<RigaStore> leggiRighe(Database& db, const QString& sql) {
    std::vector<RigaStore> righe;
    Recordset rs = db.ApriRs(sql);
    const QStringList nomi = rs.campi();
    while (!rs.RsEof()) {
        RigaStore r;
        r.colonne.reserve(static_cast<std::size_t>(nomi.size()));
        for (const QString& n : nomi)
            r.colonne.emplace_back(n, rs.LeggiCampo(n));
        righe.push_back(std::move(r));
        rs.RsMoveNext();
    }
    rs.ChiudiRs();
    return righe;
}

} // namespace

qint32 ProssimoNumeroFattura(Database& db, int anno) {
    return static_cast<qint32>(db.ProssimoNumero(QStringLiteral("FatXmlTest"), QStringLiteral("XmlNumRif"),
                                                 anno, true, store::XmlAnno));
}

Recordset apriPerInserimento(Database& db, QAnyStringView tabella) {
    return db.ApriRs(QStringLiteral("Select * from ") + tabella.toString() +
                     QStringLiteral(" Where XmlAnno = -9999") + QStringLiteral(" And XmlNumRif = -9999"));
}

QString condizioneFileOHub(bool fileVuoto, bool conHub) {
    // The unique indexes on the two columns leave out empty values, and the engine uses such an
    // index only when the query repeats its condition: without it every look-up reads the table.
    const auto condizione = [](bool vuoto, const char* colonna) {
        const QString c = QLatin1String(colonna);
        return vuoto ? c + QStringLiteral(" = ?")
                     : u'(' + c + QStringLiteral(" = ? AND ") + c + QStringLiteral(" IS NOT NULL AND ") + c +
                           QStringLiteral(" <> '')");
    };
    QString dove = condizione(fileVuoto, "NomeFile");
    if (conHub)
        dove += QStringLiteral(" or ") + condizione(false, "FEIDHub");
    return dove;
}

QVariantList valoriFileOHub(const QString& nomeFile, const QString& idHub) {
    if (idHub.trimmed().isEmpty())
        return {nomeFile};
    return {nomeFile, idHub};
}

Recordset trovaPerFileOHub(Database& db, const QString& nomeFile, const QString& idHub,
                           QLatin1String colonne) {
    // The import asks twice per file with the same few texts: they are written once per thread.
    struct Testo {
        QLatin1String colonne;
        bool fileVuoto, conHub;
        QString sql;
    };
    thread_local std::vector<Testo> testi;
    const bool fileVuoto = nomeFile.isEmpty(), conHub = !idHub.trimmed().isEmpty();
    auto it = std::find_if(testi.begin(), testi.end(), [&](const Testo& t) {
        return t.colonne == colonne && t.fileVuoto == fileVuoto && t.conHub == conHub;
    });
    if (it == testi.end()) {
        if (testi.size() >= 8)
            testi.clear();
        it = testi.insert(testi.end(),
                          {colonne, fileVuoto, conHub,
                           QStringLiteral("Select ") + colonne + QStringLiteral(" from FatXmlTest Where ") +
                               condizioneFileOHub(fileVuoto, conHub)});
    }
    return db.ApriRs(it->sql, valoriFileOHub(nomeFile, idHub));
}

void cancellaFattura(Database& db, int anno, qint32 numero) {
    const QString dove = QStringLiteral(" Where XmlAnno = ") + SqlValore(anno, SqlIntero) +
                         QStringLiteral(" and XmlNumRif = ") + SqlValore(numero, SqlLungo);
    Transazione t(db);
    for (QLatin1String tabella : store::TabelleInOrdineDiCancellazione)
        db.EseguiSql(QStringLiteral("DELETE FROM ") + tabella + dove);
    t.conferma();
}

FatturaStore leggiFattura(Database& db, int anno, qint32 numero) {
    const QString dove = chiave(anno, numero);
    auto seleziona = [&](QLatin1String tabella, QLatin1String ordine) {
        return leggiRighe(db, QStringLiteral("Select * from ") + tabella + dove + ordine);
    };
    FatturaStore f;
    auto testate = seleziona(store::FatXmlTest, QLatin1String(""));
    if (!testate.empty())
        f.testata = std::move(testate.front());
    f.dettaglio = seleziona(store::FatXmlDett, QLatin1String(" Order by XmlRigDet"));
    f.iva = seleziona(store::FatXmlIva, QLatin1String(" Order by XmlRigDet"));
    f.pagamenti = seleziona(store::FatXmlPag, QLatin1String(" Order by XmlRigDet, NumCond"));
    f.datiGen = seleziona(store::FatXmlDatiGen, QLatin1String(" Order by XmlRigDet, XmlNumEle"));
    // Within a line the blocks follow their code: ordering by XMLIdent in SQL would follow the
    // engine's collation, which differs between the two.
    auto ordine = [](const RigaStore& r) {
        const BloccoDatiGen* b = bloccoPerXmlIdent(r.testo(store::XMLIdent));
        return std::tuple(r.intero(store::XmlRigDet).value_or(0),
                          b ? b->codice : static_cast<int>(BlocchiDatiGen.size()),
                          r.intero(store::XmlNumEle).value_or(0));
    };
    std::stable_sort(f.datiGen.begin(), f.datiGen.end(),
                     [&](const RigaStore& a, const RigaStore& b) { return ordine(a) < ordine(b); });
    return f;
}

// ---- RigaStore ---------------------------------------------------------------------------------

bool RigaStore::haColonna(QAnyStringView colonna) const {
    return std::any_of(colonne.begin(), colonne.end(), [&](const auto& c) {
        return QAnyStringView::compare(c.first, colonna, Qt::CaseInsensitive) == 0;
    });
}

QVariant RigaStore::valore(QAnyStringView colonna) const {
    for (const auto& [nome, v] : colonne)
        if (QAnyStringView::compare(nome, colonna, Qt::CaseInsensitive) == 0)
            return v.isNull() ? QVariant() : v;
    return {};
}

QString RigaStore::testo(QAnyStringView colonna) const {
    const QVariant v = valore(colonna);
    return v.isNull() ? QString() : v.toString();
}

std::optional<qint64> RigaStore::intero(QAnyStringView colonna) const {
    const auto c = Currency::daVariant(valore(colonna));
    if (!c)
        return std::nullopt;
    return c->decimillesimi() / Currency::Scala;
}

std::optional<Currency> RigaStore::valuta(QAnyStringView colonna) const {
    return Currency::daVariant(valore(colonna));
}

std::optional<QDate> RigaStore::data(QAnyStringView colonna) const {
    const auto d = dataOraDaVariant(valore(colonna));
    if (!d)
        return std::nullopt;
    return d->date();
}

} // namespace tesel
