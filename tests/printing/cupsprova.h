#pragma once
// A private print server for one test: cupsd on the loopback on a free port, with its own
// folders, and raw queues whose backend writes each job, as sent, to a file, so what the program
// sends to the printer can be read back. The program finds it through CUPS_SERVER. Without cupsd (the package
// cups-daemon, installed by scripts/installa-pacchetti.sh --prove) the test is skipped with the reason.

#include "support/dbprova.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QThread>
#include <cups/cups.h>
#include <gtest/gtest.h>

namespace tesel::prova {

class ServerCups {
public:
    ~ServerCups() { ferma(); }

    // Starts the server; false with the reason in `motivo` when it cannot.
    bool avvia() {
        const QString cupsd = QStringLiteral("/usr/sbin/cupsd");
        if (!QFileInfo::exists(cupsd)) {
            motivo = "cupsd non installato (scripts/installa-pacchetti.sh --prove)";
            return false;
        }
        QTcpServer libero;
        libero.listen(QHostAddress::LocalHost, 0);
        porta_ = libero.serverPort();
        libero.close();
        const QString d = dir_.path();
        for (const char* sotto : {"spool", "cache", "log", "state", "tmp", "out"})
            QDir(d).mkpath(QString::fromLatin1(sotto));
        // The server's own user writes the device files and its temporary files.
        QFile::setPermissions(d, QFileDevice::Permissions(0x7755));
        for (const char* sotto : {"out", "tmp"})
            QFile::setPermissions(QDir(d).filePath(QString::fromLatin1(sotto)),
                                  QFileDevice::Permissions(0x7777));
        scrivi(QStringLiteral("cupsd.conf"),
               QStringLiteral(
                   "Listen 127.0.0.1:%1\nServerName 127.0.0.1\nLogLevel warn\nDefaultAuthType None\n"
                   "WebInterface No\n<Location />\nOrder allow,deny\nAllow all\n</Location>\n"
                   "<Policy default>\n<Limit All>\nOrder allow,deny\nAllow all\n</Limit>\n</Policy>\n")
                   .arg(porta_));
        // The server's programs, plus a backend that keeps the jobs.
        const QDir programmi(QDir(d).filePath(QStringLiteral("bin")));
        programmi.mkpath(QStringLiteral("backend"));
        for (const QString& sotto :
             QDir(QStringLiteral("/usr/lib/cups")).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            if (sotto != u"backend")
                QFile::link(QStringLiteral("/usr/lib/cups/") + sotto, programmi.filePath(sotto));
        const QString backend = programmi.filePath(QStringLiteral("backend/archivio"));
        scrivi(backend,
               QStringLiteral(
                   "#!/bin/sh\n"
                   "if [ $# -eq 0 ]; then echo 'direct archivio \"Unknown\" \"Archivio\"'; exit 0; fi\n"
                   "out=${DEVICE_URI#archivio:}\n"
                   "echo \"$5\" > \"$out.opzioni\"; chmod 644 \"$out.opzioni\"\n"
                   "if [ -n \"$6\" ]; then cat \"$6\" > \"$out.tmp\"; else cat > \"$out.tmp\"; fi\n"
                   "chmod 644 \"$out.tmp\" && mv \"$out.tmp\" \"$out\"\n"));
        for (const QString& f : {programmi.path(), programmi.filePath(QStringLiteral("backend")), backend})
            QFile::setPermissions(f, QFileDevice::Permissions(0x7755));
        scrivi(QStringLiteral("cups-files.conf"),
               QStringLiteral("ServerRoot %1\nRequestRoot %1/spool\nCacheDir %1/cache\n"
                              "StateDir %1/state\nTempDir %1/tmp\nErrorLog %1/log/error_log\n"
                              "AccessLog %1/log/access_log\nPageLog %1/log/page_log\nServerBin %1/bin\n"
                              "DataDir /usr/share/cups\nSystemGroup root\n")
                   .arg(d));
        processo_.setProcessChannelMode(QProcess::MergedChannels);
        processo_.start(cupsd, {QStringLiteral("-f"), QStringLiteral("-c"),
                                QDir(d).filePath(QStringLiteral("cupsd.conf")), QStringLiteral("-s"),
                                QDir(d).filePath(QStringLiteral("cups-files.conf"))});
        if (!processo_.waitForStarted(5000)) {
            motivo = "cupsd non parte";
            return false;
        }
        const QByteArray server = QStringLiteral("127.0.0.1:%1").arg(porta_).toLatin1();
        qputenv("CUPS_SERVER", server);
        cupsSetServer(server.constData());
        for (int i = 0; i < 100; ++i) {
            QTcpServer prova;
            if (!prova.listen(QHostAddress::LocalHost, porta_))
                return true; // the port is taken: the server listens
            prova.close();
            QThread::msleep(50);
        }
        motivo = "cupsd non risponde: " + processo_.readAll().toStdString();
        return false;
    }

    // Adds a queue whose jobs are written, as sent, to out/<nome> (and the job's options to
    // out/<nome>.opzioni). With `cassetti` the queue has three bins (tray-1, tray-2, manual).
    bool aggiungiCoda(const QString& nome, bool predefinita, bool cassetti = false) {
        QStringList arg{QStringLiteral("-p"), nome, QStringLiteral("-v"),
                        QStringLiteral("archivio:") + fileCoda(nome), QStringLiteral("-E")};
        if (cassetti) {
            arg << QStringLiteral("-P") << fileFixture(QStringLiteral("stampanti/cassetti.ppd"));
        } else {
            arg << QStringLiteral("-m") << QStringLiteral("raw");
        }
        if (!esegui(QStringLiteral("lpadmin"), arg))
            return false;
        return !predefinita || esegui(QStringLiteral("lpadmin"), {QStringLiteral("-d"), nome});
    }

    QString fileCoda(const QString& nome) const {
        return QDir(dir_.path()).filePath(QStringLiteral("out/") + nome);
    }

    // Waits until the queue's file holds a whole job.
    bool attendiLavoro(const QString& nome) const {
        for (int i = 0; i < 200; ++i) {
            QFile f(fileCoda(nome));
            if (f.open(QIODevice::ReadOnly) && f.readAll().contains("%%EOF"))
                return true;
            QThread::msleep(50);
        }
        return false;
    }

    // The options the print server handed to the last job of the queue.
    QString opzioniLavoro(const QString& nome) const {
        QFile f(fileCoda(nome) + QStringLiteral(".opzioni"));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

    std::string motivo;

private:
    void scrivi(const QString& nome, const QString& testo) {
        QFile f(QDir(dir_.path()).filePath(nome)); // an absolute name stays as it is
        if (f.open(QIODevice::WriteOnly))
            f.write(testo.toUtf8());
    }
    bool esegui(const QString& programma, const QStringList& arg) {
        QProcess p;
        p.start(programma, arg);
        if (!p.waitForFinished(10000) || p.exitCode() != 0) {
            motivo = (programma + QStringLiteral(": ") + QString::fromLocal8Bit(p.readAllStandardError()))
                         .toStdString();
            return false;
        }
        return true;
    }
    void ferma() {
        qunsetenv("CUPS_SERVER");
        cupsSetServer(nullptr);
        if (processo_.state() != QProcess::NotRunning) {
            processo_.terminate();
            if (!processo_.waitForFinished(5000))
                processo_.kill();
        }
    }

    QTemporaryDir dir_;
    quint16 porta_ = 0;
    QProcess processo_;
};

} // namespace tesel::prova
