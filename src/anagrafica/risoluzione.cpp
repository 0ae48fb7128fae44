#include "anagrafica/risoluzione.h"

#include "frame/data.h"
#include "frame/database.h"
#include "frame/interazione.h"
#include "frame/parametri.h"
#include "frame/serializzazione.h"
#include "frame/sqlvalore.h"

#include <QVariant>
#include <optional>
#include <vector>

namespace tesel {

namespace {

QString testo(const QString& t) {
    return SqlValore(t, SqlTesto);
}

QString valuta(const Currency& c) {
    return SqlValore(QVariant::fromValue(c), SqlValuta);
}

CodiceConto contoDi(const Recordset& rs, const QString& gruppo, const QString& mastro, const QString& conto) {
    return {rs.leggiTesto(gruppo), rs.leggiTesto(mastro), rs.leggiTesto(conto)};
}

CodiceConto primoConto(Database& db, const QString& sql) {
    Recordset rs = db.ApriRs(sql);
    if (rs.RsEof())
        return {};
    return contoDi(rs, QStringLiteral("Gruppo"), QStringLiteral("Mastro"), QStringLiteral("Conto"));
}

QString primoTesto(Database& db, const QString& sql) {
    const QVariant v = db.valore(sql);
    return v.isNull() ? QString() : v.toString();
}

// One supplier account read by the search, with what the selection list shows of it.
struct RigaFornitore {
    FornitoreTrovato dati;
    QString descrizione, codFisc;
};

RigaFornitore rigaFornitore(const Recordset& rs) {
    RigaFornitore r;
    FornitoreTrovato& f = r.dati;
    f.conto = contoDi(rs, QStringLiteral("Gruppo"), QStringLiteral("Mastro"), QStringLiteral("Conto"));
    f.banca = rs.leggiTesto(QStringLiteral("Banca"));
    f.pagamento = rs.leggiTesto(QStringLiteral("Pagamento"));
    f.feTipPag = rs.leggiTesto(QStringLiteral("FETipPag"));
    f.pagTipo = rs.leggiTesto(QStringLiteral("PagTipo"));
    f.afeTipPag = rs.leggiTesto(QStringLiteral("AFETipPag"));
    f.contropartita = contoDi(rs, QStringLiteral("GruppoContr"), QStringLiteral("MastroContr"),
                              QStringLiteral("ContoContr"));
    f.contoPrior = rs.leggiTesto(QStringLiteral("FEContoPrior"));
    f.iva = rs.leggiTesto(QStringLiteral("Iva"));
    f.ivaNatura = rs.leggiTesto(QStringLiteral("FENatura"));
    f.ivaAliquota = rs.leggiValuta(QStringLiteral("Aliquota"));
    r.descrizione = rs.leggiTesto(QStringLiteral("Descrizione"));
    r.codFisc = rs.leggiTesto(QStringLiteral("CodFisc")).trimmed();
    return r;
}

QString nomeCedente(const DatiCedente& c) {
    if (!c.denominazione.trimmed().isEmpty())
        return c.denominazione.trimmed();
    return (c.cognome.trimmed() + u' ' + c.nome.trimmed()).trimmed();
}

// Splits a name over two columns of `larghezza` characters, at the last blank that lets
// the first part fit, so that a word is cut only when it is longer than the column.
std::pair<QString, QString> dividiNome(const QString& nome, qsizetype larghezza) {
    if (nome.size() <= larghezza)
        return {nome, {}};
    qsizetype taglio = nome.lastIndexOf(u' ', larghezza);
    if (taglio <= 0)
        return {nome.left(larghezza), nome.mid(larghezza).trimmed().left(larghezza)};
    return {nome.left(taglio).trimmed(), nome.mid(taglio + 1).trimmed().left(larghezza)};
}

// The highest all-digit account of four characters of a group and ledger, plus one.
// Accounts with letters or of another length belong to other numbering schemes. Where the
// chart declares its accounts as numbers, "0012" is stored as 12: there every account up to
// 9999 is one of four digits, and the new one is given as its number.
QString prossimoConto(Database& db, const QString& gruppo, const QString& mastro) {
    const bool numerici = db.contiNumerici();
    Recordset rs = db.ApriRs(QStringLiteral("SELECT Conto FROM PianoConti WHERE Gruppo = ") + testo(gruppo) +
                             QStringLiteral(" AND Mastro = ") + testo(mastro));
    int ultimo = 0;
    for (; !rs.RsEof(); rs.RsMoveNext()) {
        const QString conto = CodiceConto::parteLetta(rs.LeggiCampo(QStringLiteral("Conto")));
        bool ok = numerici ? !conto.isEmpty() && conto.size() <= 4 : conto.size() == 4;
        for (QChar c : conto)
            ok = ok && c >= u'0' && c <= u'9';
        if (ok)
            ultimo = std::max(ultimo, conto.toInt());
    }
    if (ultimo >= 9999)
        throw ErroreDb(ErrDatabase,
                       QStringLiteral("Nessun conto libero di quattro cifre nel gruppo %1 mastro %2")
                           .arg(gruppo, mastro));
    return numerici ? QString::number(ultimo + 1) : QStringLiteral("%1").arg(ultimo + 1, 4, 10, QChar(u'0'));
}

// A text column of the new account: empty values stay Null, longer ones are cut to the column.
void scriviTesto(Recordset& rs, const QString& campo, const QString& valore, qsizetype larghezza) {
    const QString t = valore.trimmed();
    if (!t.isEmpty())
        rs.ScriviCampo(campo, t.left(larghezza));
}

std::optional<Currency> percentualeParametro(const QString& valore) {
    QString t = valore.trimmed();
    t.replace(u',', u'.');
    return Currency::daTesto(t);
}

bool eNaturaReverseCharge(const QString& natura) {
    return natura.startsWith(QStringLiteral("N6"), Qt::CaseInsensitive);
}

} // namespace

Risolutore::Risolutore(Database& db, Interazione& ui, ParametriAzienda& parametri)
    : db_(db), ui_(ui), parametri_(parametri) {
}

// ---- Supplier --------------------------------------------------------------------------------

namespace {
QString chiaveFornitore(const DatiCedente& cedente) {
    return cedente.partitaIva.trimmed() + QChar(0x1F) + cedente.codiceFiscale.trimmed();
}
} // namespace

std::optional<FornitoreTrovato> Risolutore::fornitoreNoto(const DatiCedente& cedente) const {
    if (const auto it = memoria_.fornitori.constFind(chiaveFornitore(cedente));
        it != memoria_.fornitori.constEnd())
        return *it;
    return std::nullopt;
}

FornitoreTrovato Risolutore::fornitore(const DatiCedente& cedente, bool crea, const QString& gruppo,
                                       const QString& mastro) {
    const QString partitaIva = cedente.partitaIva.trimmed();
    // Without a VAT number the search would match every account stored without one.
    if (partitaIva.isEmpty())
        return {};
    // A supplier found without asking is kept for the batch. One created here is not: its row
    // goes away if its file's transaction is rolled back.
    const QString chiaveMemoria = chiaveFornitore(cedente);
    if (const auto noto = fornitoreNoto(cedente))
        return *noto;
    bool creato = false;
    const auto trovato = [&](const FornitoreTrovato& f) {
        if (!creato)
            memoria_.fornitori.insert(chiaveMemoria, f);
        return f;
    };
    // Null dates go last on both engines; accounts opened the same day, the highest code first.
    const QString sql =
        QStringLiteral("SELECT PianoConti.*, PagTipi.FETipPag, PagTipi.AFETipPag, PagTipi.PagTipo, "
                       "PianoConti.FEContoPrior, PianoConti.Iva, TabIva.FENatura, TabIva.Aliquota "
                       "FROM PianoConti LEFT JOIN Pagamenti ON PianoConti.Pagamento = Pagamenti.Pagamento "
                       "LEFT JOIN PagTipi ON Pagamenti.PagTipo = PagTipi.PagTipo "
                       "LEFT JOIN TabIva ON PianoConti.Iva = TabIva.Iva "
                       "WHERE PianoConti.Tipo = 2 AND PianoConti.PartIva = ") +
        testo(partitaIva) +
        QStringLiteral(
            " ORDER BY CASE WHEN PianoConti.DataAp IS NULL THEN 1 ELSE 0 END, PianoConti.DataAp DESC, "
            "PianoConti.Gruppo DESC, PianoConti.Mastro DESC, PianoConti.Conto DESC");
    try {
        auto leggi = [&] {
            std::vector<RigaFornitore> righe;
            for (Recordset rs = db_.ApriRs(sql); !rs.RsEof(); rs.RsMoveNext())
                righe.push_back(rigaFornitore(rs));
            return righe;
        };
        std::vector<RigaFornitore> righe = leggi();
        if (righe.empty() && crea && !gruppo.trimmed().isEmpty() && !mastro.trimmed().isEmpty()) {
            // Two workstations creating the same supplier at once would open two accounts for
            // one VAT number: the second waits here for the first to commit, then finds it.
            // Called outside a transaction (the import decides the supplier before its file's
            // transaction) the creation is its own short unit of work.
            std::optional<Transazione> propria;
            if (db_.livelloTrans() == 0)
                propria.emplace(db_);
            serializzaNellaTransazione(db_, TipoSerializzazioneFornitore, numeroChiave(partitaIva));
            righe = leggi();
            if (righe.empty()) {
                creaFornitore(cedente, gruppo.trimmed(), mastro.trimmed());
                creato = !propria;
                righe = leggi();
            }
            if (propria)
                propria->conferma();
        }
        if (righe.empty())
            return {};
        if (righe.size() == 1)
            return trovato(righe.front().dati);

        const QString codFisc = cedente.codiceFiscale.trimmed();
        std::vector<RigaFornitore> stessoCf;
        for (const RigaFornitore& r : righe)
            if (codFisc.isEmpty() || r.codFisc.isEmpty() ||
                r.codFisc.compare(codFisc, Qt::CaseInsensitive) == 0)
                stessoCf.push_back(r);
        // No account with the invoice's fiscal code: the VAT number still names the supplier,
        // so the user chooses among all of them.
        if (!stessoCf.empty())
            righe = std::move(stessoCf);
        if (righe.size() == 1)
            return trovato(righe.front().dati);

        const QStringList descrizioni{
            QStringLiteral("Fornitore: P.Iva: ") + partitaIva + QStringLiteral(" Cod.Fisc.: ") + codFisc +
                QStringLiteral(" - ") + nomeCedente(cedente),
            QStringLiteral("Fattura N. ") + cedente.numeroFattura + QStringLiteral(" del ") +
                (cedente.dataFattura.isValid() ? testoData(cedente.dataFattura) : QString()),
            QStringLiteral("Primo articolo: ") + cedente.primoArticolo};
        QStringList elementi;
        for (const RigaFornitore& r : righe)
            elementi << r.dati.conto.testo() + u'\t' + r.descrizione;
        const int scelta = ui_.scegli(descrizioni, elementi);
        const auto indice = scelta >= 0 && scelta < elementi.size() ? static_cast<std::size_t>(scelta) : 0;
        return righe[indice].dati;
    } catch (const ErroreDb& e) {
        msgCom(ui_, QStringLiteral("Errore(%1): %2").arg(e.numero()).arg(e.descrizione()));
        return {};
    }
}

void Risolutore::creaFornitore(const DatiCedente& c, const QString& gruppo, const QString& mastro) {
    // Read once, outside the retries: a failing parameter read is not a duplicate key.
    QString stato;
    if (!c.idPaese.trimmed().isEmpty())
        stato = primoTesto(db_, QStringLiteral("SELECT Stato FROM Stati WHERE Iso = ") +
                                    testo(c.idPaese.trimmed()) + QStringLiteral(" ORDER BY Stato"));
    if (stato.isEmpty())
        stato = parametri_.leggi(QStringLiteral("Clienti.CodStatoDef"));
    const QString moneta = parametri_.leggi(QStringLiteral("Ditta.Moneta"));
    const auto percRitAcc = percentualeParametro(parametri_.leggi(QStringLiteral("Ditta.PercRitAccFor")));

    const QString nome = nomeCedente(c);
    const bool societa = !c.denominazione.trimmed().isEmpty();
    const auto [ragSoc, ragSoc2] = dividiNome(nome, 60);
    QString indirizzo = c.indirizzo.trimmed();
    if (!c.numeroCivico.trimmed().isEmpty())
        indirizzo += u' ' + c.numeroCivico.trimmed();
    QString indirizzoSo = c.soIndirizzo.trimmed();
    if (!c.soNumeroCivico.trimmed().isEmpty())
        indirizzoSo += u' ' + c.soNumeroCivico.trimmed();

    // Another workstation may take the same number between our read and our insert: the
    // duplicate key is then answered by reading the next number again. Each attempt is its
    // own unit of work, so a failed insert never spoils a transaction the caller has open.
    constexpr int Tentativi = 5;
    for (int tentativo = 1;; ++tentativo) {
        try {
            Transazione tr(db_);
            const QString conto = prossimoConto(db_, gruppo, mastro);
            Recordset rs = db_.ApriRs(QStringLiteral("SELECT * FROM PianoConti WHERE 1=0"));
            rs.RsAddNew();
            rs.ScriviCampo(QStringLiteral("Gruppo"), gruppo);
            rs.ScriviCampo(QStringLiteral("Mastro"), mastro);
            rs.ScriviCampo(QStringLiteral("Conto"), conto);
            rs.ScriviCampo(QStringLiteral("Tipo"), 2);
            scriviTesto(rs, QStringLiteral("PartIva"), c.partitaIva, 28);
            scriviTesto(rs, QStringLiteral("CodFisc"), c.codiceFiscale, 16);
            scriviTesto(rs, QStringLiteral("Stato"), stato, 3);
            scriviTesto(rs, QStringLiteral("Descrizione"), nome, 100);
            scriviTesto(rs, QStringLiteral("RagSoc"), ragSoc, 60);
            scriviTesto(rs, QStringLiteral("RagSoc2"), ragSoc2, 60);
            rs.ScriviCampo(QStringLiteral("StatoGiurid"),
                           societa ? QStringLiteral("G") : QStringLiteral("F"));
            scriviTesto(rs, QStringLiteral("Cognome"), c.cognome, 60);
            scriviTesto(rs, QStringLiteral("Nome"), c.nome, 60);
            scriviTesto(rs, QStringLiteral("FETitolo"), c.titolo, 10);
            scriviTesto(rs, QStringLiteral("FECodEori"), c.codEori, 17);
            scriviTesto(rs, QStringLiteral("Indirizzo"), indirizzo, 100);
            scriviTesto(rs, QStringLiteral("CAP"), c.cap, 10);
            scriviTesto(rs, QStringLiteral("Pr"), c.provincia, 2);
            scriviTesto(rs, QStringLiteral("Comune"), c.comune, 60);
            // The invoice has no separate locality: the town is the place shown in addresses.
            scriviTesto(rs, QStringLiteral("Localita"), c.comune, 60);
            scriviTesto(rs, QStringLiteral("Telefono"), c.telefono, 20);
            scriviTesto(rs, QStringLiteral("Fax"), c.fax, 20);
            scriviTesto(rs, QStringLiteral("EMail"), c.email, 256);
            scriviTesto(rs, QStringLiteral("PersRiferimento"), c.riferimentoAmministrazione, 60);
            scriviTesto(rs, QStringLiteral("FAStabOrgIndir"), indirizzoSo, 100);
            scriviTesto(rs, QStringLiteral("FAStabOrgCap"), c.soCap, 10);
            scriviTesto(rs, QStringLiteral("FAStabOrgComune"), c.soComune, 60);
            scriviTesto(rs, QStringLiteral("FAStabOrgPr"), c.soProvincia, 2);
            scriviTesto(rs, QStringLiteral("FAStabOrgStato"), c.soNazione, 3);
            rs.ScriviCampo(QStringLiteral("DataAp"), QDate::currentDate());
            scriviTesto(rs, QStringLiteral("Moneta"), moneta, 5);
            if (percRitAcc)
                rs.ScriviCampo(QStringLiteral("PercRitAcc"), QVariant::fromValue(*percRitAcc));
            rs.ScriviCampo(QStringLiteral("BlackList"), QStringLiteral("N"));
            rs.ScriviCampo(QStringLiteral("AllegCF"), QStringLiteral("S"));
            for (const char* flag :
                 {"SiValuta", "RagRB", "SoggRitAcconto", "OperazRilev", "SpeseBan", "Bolli", "RagDDT",
                  "RagOrd", "StRifOrd", "StRifCli", "IvaSosp", "PrezzoDDT"})
                rs.ScriviCampo(QLatin1String(flag), QStringLiteral("N"));
            rs.ScriviCampo(QStringLiteral("Rischio"), QVariant::fromValue(Currency()));
            // FEContoPrior and TipoProvv stay empty: the import's own default decides the
            // account priority, and the supplier has no commission kind.
            rs.RsUpdate();
            tr.conferma();
            return;
        } catch (const ErroreDb& e) {
            if (!e.chiaveDuplicata() || tentativo == Tentativi)
                throw;
        }
    }
}

// ---- Article and accounts ----------------------------------------------------------------------

std::optional<ArticoloTrovato> Risolutore::articoloDb(const QString& codiceTipo, const QString& codiceValore,
                                                      const CodiceConto& fornitore) {
    const QString valore = codiceValore.trimmed();
    if (valore.isEmpty())
        return std::nullopt;
    const QString tipo = codiceTipo.trimmed().toLower();
    // Bound values: every new code of a batch runs the same few statements, prepared and
    // described once.
    QString sql;
    QVariantList valori{valore};
    if (tipo == u"aswartfor") {
        // The supplier's own code means nothing without the supplier.
        if (fornitore.vuoto())
            return std::nullopt;
        sql = QStringLiteral("SELECT Articoli.Articolo, Articoli.GruppoMerAcq, Articoli.MastroMerAcq, "
                             "Articoli.ContoMerAcq FROM ArticoliFor INNER JOIN Articoli "
                             "ON ArticoliFor.Articolo = Articoli.Articolo WHERE ArticoliFor.ArticoloFor = ? "
                             "AND ArticoliFor.GruppoFor = ? AND ArticoliFor.MastroFor = ? AND "
                             "ArticoliFor.ContoFor = ?");
        valori << fornitore.gruppo << fornitore.mastro << fornitore.conto;
    } else {
        const bool barcode = tipo == u"aswcodean" || tipo == u"ean";
        sql =
            QStringLiteral("SELECT Articolo, GruppoMerAcq, MastroMerAcq, ContoMerAcq FROM Articoli WHERE ") +
            (barcode ? QStringLiteral("Barcode = ?") : QStringLiteral("Articolo = ?"));
    }
    Recordset rs = db_.ApriRs(sql + QStringLiteral(" ORDER BY 1"), valori);
    if (rs.RsEof())
        return std::nullopt;
    return ArticoloTrovato{rs.leggiTesto(QStringLiteral("Articolo")),
                           contoDi(rs, QStringLiteral("GruppoMerAcq"), QStringLiteral("MastroMerAcq"),
                                   QStringLiteral("ContoMerAcq"))};
}

CodiceConto Risolutore::contoSpesaDb(const QString& tipoSpesa) {
    if (tipoSpesa.trimmed().isEmpty())
        return {};
    return primoConto(db_, QStringLiteral("SELECT * FROM Spese WHERE AFETipoSpesa = ") +
                               testo(tipoSpesa.trimmed()) + QStringLiteral(" ORDER BY Spesa"));
}

CodiceConto Risolutore::contoCassaPrevidenzialeDb(const Currency& aliquota) {
    return primoConto(db_, QStringLiteral("SELECT * FROM Spese WHERE CassaPrev = 'S' "
                                          "AND lower(Descrizione) LIKE '%enasarco%' AND Percentuale = ") +
                               valuta(aliquota) + QStringLiteral(" ORDER BY Spesa"));
}

// ---- VAT codes ---------------------------------------------------------------------------------

namespace {

CodiceIvaTrovato codiceIva(const Recordset& rs) {
    CodiceIvaTrovato t;
    t.iva = rs.leggiTesto(QStringLiteral("Iva"));
    t.tipoIva = rs.leggiTesto(QStringLiteral("TipoIva"));
    t.natura = rs.leggiTesto(QStringLiteral("FENatura"));
    t.afeIvaEse = rs.leggiTesto(QStringLiteral("AFEIvaEse"));
    t.aliquota = rs.leggiValuta(QStringLiteral("Aliquota"));
    t.percNonDetr = rs.leggiValuta(QStringLiteral("PercNonDetr"));
    return t;
}

} // namespace

std::optional<CodiceIvaTrovato> Risolutore::ivaPerCodiceDb(const QString& iva) {
    if (iva.trimmed().isEmpty())
        return std::nullopt;
    Recordset rs = db_.ApriRs(QStringLiteral("SELECT * FROM TabIva WHERE Iva = ") + testo(iva.trimmed()));
    if (rs.RsEof())
        return std::nullopt;
    return codiceIva(rs);
}

std::optional<CodiceIvaTrovato> Risolutore::ivaPerAliquotaDb(const std::optional<Currency>& aliquota,
                                                             const QString& natura,
                                                             const QString& afeIvaEse) {
    const QString nat = natura.trimmed();
    const QString ese = afeIvaEse.trimmed();
    const Currency aliq = aliquota.value_or(Currency());
    const bool reverseCharge = eNaturaReverseCharge(nat);
    // A table's nature that is a prefix of the document's (N2 for N2.2); an empty table nature
    // is no prefix of anything.
    const QString naturaPrefisso = nat.size() < 3 ? QStringLiteral("FENatura LIKE ") + testo(nat + u'%')
                                                  : QStringLiteral("(FENatura <> '' AND ") + testo(nat) +
                                                        QStringLiteral(" LIKE (FENatura || '%'))");
    QStringList eseguite;
    for (int tentativo = 1; tentativo <= 4; ++tentativo) {
        const bool esatta = tentativo <= 2;
        QString condizione;
        if (reverseCharge) {
            // Reverse charge: the rate is the one the buyer integrates, so only the nature counts.
            condizione = (esatta ? QStringLiteral("FENatura = ") + testo(nat) : naturaPrefisso) +
                         QStringLiteral(" AND FENatura IS NOT NULL AND FENatura <> ''");
        } else {
            condizione = QStringLiteral("(Aliquota = ") + valuta(aliq) +
                         (aliq.zero() ? QStringLiteral(" OR Aliquota IS NULL)") : QStringLiteral(")"));
            if (nat.isEmpty())
                condizione += QStringLiteral(" AND (FENatura IS NULL OR FENatura = '')");
            else if (esatta)
                condizione += QStringLiteral(" AND FENatura = ") + testo(nat);
            else
                condizione += QStringLiteral(" AND ") + naturaPrefisso;
        }
        if (tentativo % 2 == 1 && !ese.isEmpty())
            condizione += QStringLiteral(" AND AFEIvaEse = ") + testo(ese);
        // Without a nature or an exemption kind some attempts repeat an earlier one.
        if (eseguite.contains(condizione))
            continue;
        eseguite << condizione;
        Recordset rs = db_.ApriRs(
            QStringLiteral(
                "SELECT Iva, TipoIva, PercNonDetr, Aliquota, FENatura, AFEIvaEse FROM TabIva WHERE ") +
            condizione + QStringLiteral(" ORDER BY COALESCE(FA_Iva_Prior, 0) DESC, Iva"));
        if (!rs.RsEof())
            return codiceIva(rs);
    }
    return std::nullopt;
}

// ---- Causal ------------------------------------------------------------------------------------

std::optional<CausaleTrovata> Risolutore::causaleDb(const QString& forzata, const QString& tipoDocumento,
                                                    bool reverseCharge, const QString& tipoDocAdg,
                                                    const QString& carattereDocAdg,
                                                    const QString& trattFiscAdg) {
    if (!forzata.trimmed().isEmpty()) {
        Recordset rs = db_.ApriRs(
            QStringLiteral(
                "SELECT Causali.Prefisso, Causali.RevCharge FROM Causali WHERE Causali.Causale = ") +
            testo(forzata.trimmed()) + QStringLiteral(" AND Causali.TipoReg = 'A'"));
        if (!rs.RsEof())
            return CausaleTrovata{forzata.trimmed(), rs.leggiTesto(QStringLiteral("Prefisso")),
                                  rs.leggiTesto(QStringLiteral("RevCharge"))};
    }
    const QString tipo = tipoDocumento.trimmed().toUpper();
    if (tipo.isEmpty())
        return std::nullopt;
    if (auto trovata = causalePerTipo(tipo, reverseCharge, tipoDocAdg, carattereDocAdg, trattFiscAdg))
        return trovata;
    // The simplified documents fall back on the causal of their ordinary counterpart.
    static const std::pair<QLatin1String, QLatin1String> ordinari[] = {
        {QLatin1String("TD07"), QLatin1String("TD01")},
        {QLatin1String("TD08"), QLatin1String("TD04")},
        {QLatin1String("TD09"), QLatin1String("TD05")}};
    for (const auto& [semplificato, ordinario] : ordinari)
        if (tipo == semplificato)
            return causalePerTipo(ordinario, reverseCharge, tipoDocAdg, carattereDocAdg, trattFiscAdg);
    return std::nullopt;
}

std::optional<CausaleTrovata> Risolutore::causalePerTipo(const QString& tipoDocumento, bool reverseCharge,
                                                         const QString& tipoDocAdg,
                                                         const QString& carattereDocAdg,
                                                         const QString& trattFiscAdg) {
    QString tipo = tipoDocumento;
    {
        Recordset rs =
            db_.ApriRs(QStringLiteral("SELECT * FROM TabTrascod WHERE Tabella = ") +
                       testo(QStringLiteral("§TD")) + QStringLiteral(" AND Codint1 = ") + testo(tipo));
        if (!rs.RsEof() && !rs.leggiTesto(QStringLiteral("CodExt")).trimmed().isEmpty())
            tipo = rs.leggiTesto(QStringLiteral("CodExt")).trimmed();
    }
    QString sql =
        QStringLiteral("SELECT Causali.Causale, Causali.Prefisso, Causali.RevCharge "
                       "FROM Causali LEFT JOIN FattDocumenti ON FattDocumenti.Causale = Causali.Causale "
                       "WHERE Causali.FATipoDoc = ") +
        testo(tipo) + QStringLiteral(" AND Causali.TipoReg = 'A'");
    if (reverseCharge)
        sql += QStringLiteral(" AND Causali.RevCharge IN ('M', 'S')");
    if (!tipoDocAdg.trimmed().isEmpty())
        sql += QStringLiteral(" AND FattDocumenti.AFETipDoc = ") + testo(tipoDocAdg.trimmed());
    if (!carattereDocAdg.trimmed().isEmpty())
        sql += QStringLiteral(" AND FattDocumenti.AFECarDoc = ") + testo(carattereDocAdg.trimmed());
    if (!trattFiscAdg.trimmed().isEmpty())
        sql += QStringLiteral(" AND FattDocumenti.AFETratFisc = ") + testo(trattFiscAdg.trimmed());
    sql += QStringLiteral(" ORDER BY COALESCE(Causali.FA_TD_Prior, 0) DESC");
    // Without reverse-charge rows an ordinary causal comes before a reverse-charge one.
    if (!reverseCharge)
        sql += QStringLiteral(", CASE WHEN Causali.RevCharge = 'N' THEN 0 ELSE 1 END");
    sql += QStringLiteral(", Causali.Causale");
    Recordset rs = db_.ApriRs(sql);
    if (rs.RsEof())
        return std::nullopt;
    return CausaleTrovata{rs.leggiTesto(QStringLiteral("Causale")), rs.leggiTesto(QStringLiteral("Prefisso")),
                          rs.leggiTesto(QStringLiteral("RevCharge"))};
}

// ---- Currency, bank, payment type ----------------------------------------------------------------

QString Risolutore::monetaDb(const QString& iso) {
    if (iso.trimmed().isEmpty())
        return {};
    return primoTesto(db_, QStringLiteral("SELECT Moneta FROM Monete WHERE Iso = ") + testo(iso.trimmed()) +
                               QStringLiteral(" ORDER BY Moneta"));
}

QString Risolutore::tipoEsenzioneDb(const QString& natura) {
    if (natura.trimmed().isEmpty())
        return {};
    Recordset rs = db_.ApriRs(
        QStringLiteral("SELECT Codice FROM Decodifiche WHERE TipoTab = 'AFEIvaEse' AND Riferimento = ") +
        testo(natura.trimmed()) + QStringLiteral(" ORDER BY Codice LIMIT 2"));
    if (rs.RsEof())
        return {};
    const QString kind = rs.leggiTesto(QStringLiteral("Codice")).trimmed();
    rs.RsMoveNext();
    return rs.RsEof() ? kind : QString();
}

QString Risolutore::bancaDb(const QString& abi, const QString& cab) {
    if (abi.trimmed().isEmpty() || cab.trimmed().isEmpty())
        return {};
    return primoTesto(db_, QStringLiteral("SELECT Banca FROM Banche WHERE Abi = ") + testo(abi.trimmed()) +
                               QStringLiteral(" AND Cab = ") + testo(cab.trimmed()) +
                               QStringLiteral(" ORDER BY Banca"));
}

QString Risolutore::pagTipoDb(const QString& modalitaPagamento, const QString& afeTipPag) {
    if (modalitaPagamento.trimmed().isEmpty())
        return {};
    Recordset rs = db_.ApriRs(QStringLiteral("SELECT * FROM PagTipi WHERE FETipPag = ") +
                              testo(modalitaPagamento.trimmed()) + QStringLiteral(" AND AFETipPag = ") +
                              testo(afeTipPag.trimmed()) + QStringLiteral(" ORDER BY PagTipo"));
    return rs.RsEof() ? QString() : rs.leggiTesto(QStringLiteral("PagTipo"));
}

// ---- Answers kept for the batch ------------------------------------------------------------------
// The master tables looked up here do not change while a batch is imported (a supplier created
// on the way only adds to PianoConti, whose search is never kept), and a batch of a thousand
// invoices asks the same few questions thousands of times.

namespace {
Risolutore::VistaChiave chiave(std::initializer_list<QStringView> parti) {
    Risolutore::VistaChiave k;
    for (QStringView p : parti)
        k.parti[k.quante++] = p;
    return k;
}
QString testoAliquota(const std::optional<Currency>& a) {
    return a ? a->testoSql() : QStringLiteral("-");
}
template <class Mappa, class Calcola>
auto ricorda(Mappa& m, const Risolutore::VistaChiave& k, Calcola calcola) {
    if (const auto it = m.find(k); it != m.end())
        return it->second;
    auto v = calcola();
    Risolutore::Chiave tenuta;
    tenuta.quante = k.quante;
    for (size_t i = 0; i < k.quante; ++i)
        tenuta.parti[i] = k.parti[i].toString();
    m.emplace(std::move(tenuta), v);
    return v;
}
} // namespace

std::optional<ArticoloTrovato> Risolutore::articolo(const QString& codiceTipo, const QString& codiceValore,
                                                    const CodiceConto& fornitore) {
    return ricorda(memoria_.articoli,
                   chiave({codiceTipo, codiceValore, fornitore.gruppo, fornitore.mastro, fornitore.conto}),
                   [&] { return articoloDb(codiceTipo, codiceValore, fornitore); });
}

CodiceConto Risolutore::contoSpesa(const QString& tipoSpesa) {
    return ricorda(memoria_.conti, chiave({u"spesa", tipoSpesa}), [&] { return contoSpesaDb(tipoSpesa); });
}

CodiceConto Risolutore::contoCassaPrevidenziale(const Currency& aliquota) {
    return ricorda(memoria_.conti, chiave({u"cassa", aliquota.testoSql()}),
                   [&] { return contoCassaPrevidenzialeDb(aliquota); });
}

std::optional<CodiceIvaTrovato> Risolutore::ivaPerCodice(const QString& iva) {
    return ricorda(memoria_.iva, chiave({u"codice", iva}), [&] { return ivaPerCodiceDb(iva); });
}

std::optional<CodiceIvaTrovato> Risolutore::ivaPerAliquota(const std::optional<Currency>& aliquota,
                                                           const QString& natura, const QString& afeIvaEse) {
    return ricorda(memoria_.iva, chiave({u"aliquota", testoAliquota(aliquota), natura, afeIvaEse}),
                   [&] { return ivaPerAliquotaDb(aliquota, natura, afeIvaEse); });
}

std::optional<CausaleTrovata> Risolutore::causale(const QString& forzata, const QString& tipoDocumento,
                                                  bool reverseCharge, const QString& tipoDocAdg,
                                                  const QString& carattereDocAdg,
                                                  const QString& trattFiscAdg) {
    return ricorda(memoria_.causali,
                   chiave({forzata, tipoDocumento, reverseCharge ? u"S" : u"N", tipoDocAdg, carattereDocAdg,
                           trattFiscAdg}),
                   [&] {
                       return causaleDb(forzata, tipoDocumento, reverseCharge, tipoDocAdg, carattereDocAdg,
                                        trattFiscAdg);
                   });
}

QString Risolutore::moneta(const QString& iso) {
    return ricorda(memoria_.codici, chiave({u"moneta", iso}), [&] { return monetaDb(iso); });
}

QString Risolutore::tipoEsenzione(const QString& natura) {
    return ricorda(memoria_.codici, chiave({u"esenzione", natura}), [&] { return tipoEsenzioneDb(natura); });
}

QString Risolutore::banca(const QString& abi, const QString& cab) {
    return ricorda(memoria_.codici, chiave({u"banca", abi, cab}), [&] { return bancaDb(abi, cab); });
}

QString Risolutore::pagTipo(const QString& modalitaPagamento, const QString& afeTipPag) {
    return ricorda(memoria_.codici, chiave({u"pagtipo", modalitaPagamento, afeTipPag}),
                   [&] { return pagTipoDb(modalitaPagamento, afeTipPag); });
}

} // namespace tesel
