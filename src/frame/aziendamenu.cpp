#include "frame/aziendamenu.h"

#include "frame/configurazione.h"
#include "frame/database.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>

namespace tesel {

namespace {

// The text the program would open for a company named by the menu (empty names: the profile's).
QString testoAzienda(const Configurazione& conf, Interazione& ui, const QString& nomeDb,
                     const QString& connect) {
    ClientMenuFisso menu;
    menu.imposta(QStringLiteral("NomeDBAzie"), nomeDb);
    menu.imposta(QStringLiteral("ConnectDBAzie"), connect);
    Configurazione c(menu, ui);
    c.impostaFileProfilo(conf.fileProfilo(), conf.sezioneConnessione());
    const ImpostazioniConnessione i = c.connessioneAzienda();
    return i.ok() ? i.testo : QString();
}

QString normaOdbc(const QString& testo) {
    QStringList parti;
    for (const QString& p : testo.split(u';', Qt::SkipEmptyParts))
        if (!p.trimmed().isEmpty())
            parti << p.trimmed().toLower();
    return parti.join(u';');
}

} // namespace

bool stessoDatabase(const QString& a, const QString& b) {
    if (a.trimmed().isEmpty() || b.trimmed().isEmpty())
        return false;
    if (tipoConnessione(a) != tipoConnessione(b))
        return false;
    if (tipoConnessione(a) == TipoConnessione::Odbc)
        return normaOdbc(a) == normaOdbc(b);
    const QFileInfo fa(a), fb(b);
    const QString ca = fa.canonicalFilePath(), cb = fb.canonicalFilePath();
    if (!ca.isEmpty() && !cb.isEmpty())
        return ca == cb;
    return fa.absoluteFilePath() == fb.absoluteFilePath();
}

QString descrizioneDatabase(const QString& testo) {
    if (tipoConnessione(testo) == TipoConnessione::FileDatabase)
        return QFileInfo(testo).absoluteFilePath();
    QString t = testo.trimmed();
    t.remove(
        QRegularExpression(QStringLiteral(";?\\s*PWD\\s*=[^;]*"), QRegularExpression::CaseInsensitiveOption));
    return t;
}

std::vector<AziendaMenu> aziendeDelMenu(Database* comune, const Configurazione& conf, Interazione& ui) {
    std::vector<AziendaMenu> righe;
    if (comune) {
        try {
            Recordset rs =
                comune->ApriRs(QStringLiteral("SELECT CodiceAzie, IdAzienda, RagioneSociale, NomeDB, "
                                              "ConnectDB FROM Aziende ORDER BY CodiceAzie"));
            while (!rs.RsEof()) {
                AziendaMenu a;
                a.codice = rs.leggiTesto(QStringLiteral("CodiceAzie")).trimmed();
                const auto id = rs.leggiIntero(QStringLiteral("IdAzienda"));
                a.id = id ? QString::number(*id) : QString();
                a.ragioneSociale = rs.leggiTesto(QStringLiteral("RagioneSociale")).trimmed();
                a.nomeDb = rs.leggiTesto(QStringLiteral("NomeDB")).trimmed();
                a.connectDb = rs.leggiTesto(QStringLiteral("ConnectDB")).trimmed();
                if (!a.nomeDb.isEmpty() || !a.connectDb.isEmpty())
                    a.testo = testoAzienda(conf, ui, a.nomeDb, a.connectDb);
                if (!a.testo.isEmpty())
                    righe.push_back(a);
                rs.RsMoveNext();
            }
        } catch (const ErroreDb&) {
            // A common database without the company table offers the profile's database alone.
            righe.clear();
        }
    }
    const QString proprio = testoAzienda(conf, ui, {}, {});
    bool trovato = false;
    for (AziendaMenu& a : righe)
        if (!trovato && stessoDatabase(a.testo, proprio))
            trovato = a.delProfilo = true;
    if (!trovato && !proprio.isEmpty()) {
        AziendaMenu a;
        a.testo = proprio;
        a.delProfilo = true;
        righe.insert(righe.begin(), a);
    }
    return righe;
}

std::size_t aziendaPredefinita(const std::vector<AziendaMenu>& aziende) {
    const auto it =
        std::find_if(aziende.begin(), aziende.end(), [](const AziendaMenu& a) { return a.delProfilo; });
    return it == aziende.end() ? 0 : static_cast<std::size_t>(it - aziende.begin());
}

QString ClientMenuAzienda::parametroMenu(const QString& chiave) {
    const QString k = chiave.toLower();
    // The profile's own database without a row: the profile decides, nothing names another.
    if (k == u"nomedbazie")
        return azienda_.codice.isEmpty() ? QString() : azienda_.nomeDb;
    if (k == u"connectdbazie")
        return azienda_.codice.isEmpty() ? QString() : azienda_.connectDb;
    if (k == u"codiceazie")
        return azienda_.codice;
    if (k == u"idazienda")
        return azienda_.id;
    return base_.parametroMenu(chiave);
}

} // namespace tesel
