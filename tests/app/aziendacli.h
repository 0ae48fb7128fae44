#pragma once
// The demo company with a profile file of its own, for the tests that run tesel-cli as a
// separate program, as a user or a script would.

#include "support/dbprova.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

namespace tesel::prova {

struct EsitoCli {
    int codice = -1;
    QString uscita, errori;
};

class ConAziendaCli : public ConDatabase {
protected:
    // `demo` false: an empty database, for the tests that create the company themselves.
    explicit ConAziendaCli(bool demo = true) : demo_(demo) {}
    void SetUp() override {
        ConDatabase::SetUp();
        if (IsSkipped())
            return;
        if (demo_)
            creaAziendaDemo();
        ASSERT_TRUE(cartella_.isValid());
        ini_ = scriviProfilo(cartella_.path());
        ASSERT_FALSE(ini_.isEmpty());
    }

    // tesel-cli with exactly these arguments, started and then waited for.
    static std::unique_ptr<QProcess> avvia(const QStringList& argomenti) {
        auto p = std::make_unique<QProcess>();
        p->start(QStringLiteral(TESEL_CLI), argomenti);
        return p;
    }
    static EsitoCli attendi(QProcess& p) {
        EXPECT_TRUE(p.waitForFinished(-1) && p.exitStatus() == QProcess::NormalExit)
            << "tesel-cli non è terminato normalmente";
        return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
                QString::fromUtf8(p.readAllStandardError())};
    }
    EsitoCli esegui(const QStringList& argomenti) { return attendi(*avvia(argomenti)); }
    // One JSON object a line of a --json output.
    static std::vector<QJsonObject> righeJson(const EsitoCli& e) {
        std::vector<QJsonObject> r;
        for (const QString& riga : e.uscita.split(u'\n', Qt::SkipEmptyParts)) {
            const QJsonDocument d = QJsonDocument::fromJson(riga.toUtf8());
            EXPECT_TRUE(d.isObject()) << "riga non JSON: " << riga.toStdString();
            r.push_back(d.object());
        }
        return r;
    }
    // tesel-cli `comando` --ini <this company's profile> `opzioni`.
    EsitoCli comando(const QString& comando, const QStringList& opzioni = {}) {
        return esegui(QStringList{comando, QStringLiteral("--ini"), ini_} + opzioni);
    }

    QTemporaryDir cartella_;
    QString ini_;

private:
    bool demo_;
};

} // namespace tesel::prova
