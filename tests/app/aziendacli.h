#pragma once
// The demo company with a profile file of its own, for the tests that run tesel-cli as a
// separate program, as a user or a script would.

#include "support/dbprova.h"

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
    void SetUp() override {
        ConDatabase::SetUp();
        if (IsSkipped())
            return;
        creaAziendaDemo();
        ASSERT_TRUE(cartella_.isValid());
        ini_ = scriviProfilo(cartella_.path());
        ASSERT_FALSE(ini_.isEmpty());
    }

    // tesel-cli with exactly these arguments.
    EsitoCli esegui(const QStringList& argomenti) {
        QProcess p;
        p.start(QStringLiteral(TESEL_CLI), argomenti);
        EXPECT_TRUE(p.waitForFinished(300000));
        return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
                QString::fromUtf8(p.readAllStandardError())};
    }
    // tesel-cli `comando` --ini <this company's profile> `opzioni`.
    EsitoCli comando(const QString& comando, const QStringList& opzioni = {}) {
        return esegui(QStringList{comando, QStringLiteral("--ini"), ini_} + opzioni);
    }

    QString ini_;

private:
    QTemporaryDir cartella_;
};

} // namespace tesel::prova
