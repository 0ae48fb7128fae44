#pragma once
// The demo company beside a real tesel-hub on the loopback (a free port, its own data folder),
// with the company's account on it, for the tests of the send and of its commands.

#include "serverhubprova.h"
#include "support/dbprova.h"

#include <QDate>
#include <QJsonObject>
#include <QTemporaryDir>
#include <ostream>
#include <vector>

// Texts in failure messages as text, not as their bytes.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace tesel::prova {

class ConHubInvio : public ConDatabase {
protected:
    void SetUp() override;

    // tesel-hub with these arguments on the server's data folder; expects success.
    void hubComando(const QStringList& argomenti) {
        EXPECT_EQ(hub_.comando(argomenti), 0) << argomenti.join(' ').toStdString();
    }
    // Sets the server's simulated faults (none: clears them).
    void guasti(const QStringList& g) { hub_.guasti(g); }
    // The documents the server holds, as its "documenti" command lists them.
    std::vector<QJsonObject> documentiHub() {
        const QList<QJsonObject> d = hub_.documenti();
        return {d.begin(), d.end()};
    }

    // An issued invoice queued by `terminale`; its file (when `file` is not empty and `scrivi`)
    // is written in the e-invoice folder.
    struct Emessa {
        int anno = 2025;
        qint64 numRif = 1;
        QString preDoc = QStringLiteral("A");
        qint64 numDoc = 1;
        QDate data{2025, 3, 14};
        QString contoCli = QStringLiteral("c001");
        QString stato = QStringLiteral("S");
        QString tipo = QStringLiteral("FT");
        QString file;
        QString terminale = QStringLiteral("T1");
        QString statoIniz;
        bool scrivi = true;
    };
    void accoda(const Emessa& e);
    QString cartellaFe() const { return cartella_.filePath(QStringLiteral("fe")); }
    // Adds the e-invoice folder to the profile `ini` (created when missing); answers `ini`.
    QString conCartellaFe(const QString& ini);
    bool esiste(const QString& file) const;
    QString cartella() const { return cartella_.path(); }
    // A profile for a separate program whose common database holds this Hub's address and
    // account, as the menu keeps them for every workstation; answers its path.
    QString profiloConHub();

    struct EsitoCli {
        int codice = -1;
        QString uscita, errori;
    };
    // tesel-cli with `argomenti` and the profile `ini`.
    static EsitoCli teselCli(const QStringList& argomenti, const QString& ini);

    QTemporaryDir cartella_;
    ServerHubProva hub_;
    QString url_;
};

} // namespace tesel::prova
