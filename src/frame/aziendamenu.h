#pragma once
// Which company database a run works on, and how the program says so.
//
// The common database lists the suite's companies (Aziende: code, id, name, database). The
// menu offers them and serves the chosen one's "NomeDBAzie", "ConnectDBAzie", "codiceazie" and
// "idazienda"; these four are values of a company, never global menu parameters: a common
// database copied with a company (or shared by two) would otherwise send every run to the
// database it names. When no row names the profile file's own database, that database is
// offered first and chosen by default, with empty company values, so the profile decides.

#include <QString>
#include <memory>
#include <vector>

#include "frame/clientmenu.h"

namespace tesel {

class Configurazione;
class Database;
class Interazione;

struct AziendaMenu {
    QString codice; // CodiceAzie; empty for the profile file's own database without a row
    QString id;     // IdAzienda as text
    QString ragioneSociale;
    QString nomeDb;    // NomeDB of the row, as written
    QString connectDb; // ConnectDB of the row
    // What is opened: the local path of the database file or the ODBC text, resolved against
    // the profile file as the program resolves it.
    QString testo;
    bool delProfilo = false; // the profile file's own database
};

// The companies offered: the profile file's own database first when no row names it, then
// the Aziende rows by code. `comune` may be null (no common database): the profile's alone.
// A row that cannot be read or resolved is left out.
std::vector<AziendaMenu> aziendeDelMenu(Database* comune, const Configurazione& conf, Interazione& ui);

// The company the profile file names: the one whose database is the profile's own.
std::size_t aziendaPredefinita(const std::vector<AziendaMenu>& aziende);

// Whether two connection texts open the same database (file paths after resolving links, ODBC
// texts without regard to case and blanks around the parts).
bool stessoDatabase(const QString& a, const QString& b);

// How a connection text is shown to the user: the file path, or the ODBC text without its
// password.
QString descrizioneDatabase(const QString& testo);

// The menu's values with the company's four taken from the chosen company.
class ClientMenuAzienda : public ClientMenu {
public:
    ClientMenuAzienda(ClientMenu& base, AziendaMenu azienda) : base_(base), azienda_(std::move(azienda)) {}
    void scegli(AziendaMenu azienda) { azienda_ = std::move(azienda); }
    const AziendaMenu& azienda() const { return azienda_; }
    QString parametroMenu(const QString& chiave) override;
    QString parametroProcedura(const QString& chiave, const QString& ambito) override {
        return base_.parametroProcedura(chiave, ambito);
    }
    QString percorsoConfigurazione() override { return base_.percorsoConfigurazione(); }

private:
    ClientMenu& base_;
    AziendaMenu azienda_;
};

} // namespace tesel
