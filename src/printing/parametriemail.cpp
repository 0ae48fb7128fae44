#include "printing/parametriemail.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace tesel::stampa {

const std::vector<ParametroEmail>& parametriPdfEmail() {
    using T = TipoParametro;
    static const std::vector<ParametroEmail> elenco{
        {QStringLiteral("PdfAutomAbil"),
         QStringLiteral("Pdf automatico abilitato"),
         T::Sino,
         {},
         false,
         0,
         0},
        {QStringLiteral("UsaPdfCreator"),
         QStringLiteral("Pdf automatico con nome da modello"),
         T::Sino,
         {},
         false,
         0,
         0},
        {QStringLiteral("UsaPdf995"),
         QStringLiteral("Pdf automatico (seconda impostazione)"),
         T::Sino,
         {},
         false,
         0,
         0},
        {QStringLiteral("PdfNomeFile"), QStringLiteral("Nome del file per pdf"), T::File, {}, false, 0, 0},
        {QStringLiteral("CreatorAutosaveStart"),
         QStringLiteral("Avvio salvataggio automatico"),
         T::Testo,
         {},
         false,
         0,
         0},
        {QStringLiteral("PdfAutomImpPar"),
         QStringLiteral("Parametri pdf automatico"),
         T::Testo,
         {},
         false,
         0,
         0},
        {QStringLiteral("EmailTo1"), QStringLiteral("Email destinatario 1"), T::Testo, {}, false, 0, 0},
        {QStringLiteral("EmailTo2"), QStringLiteral("Email destinatario 2"), T::Testo, {}, false, 0, 0},
        {QStringLiteral("EmailTo3"), QStringLiteral("Email destinatario 3"), T::Testo, {}, false, 0, 0},
        {QStringLiteral("EmailToNum"),
         QStringLiteral("Destinatario da usare"),
         T::Scelta,
         {QStringLiteral("Destinatario 1"), QStringLiteral("Destinatario 2"),
          QStringLiteral("Destinatario 3")},
         true,
         0,
         0},
        {QStringLiteral("EmailTipoNum"),
         QStringLiteral("Numero testo da usare"),
         T::Scelta,
         {QStringLiteral("Scelta 1"), QStringLiteral("Scelta 2"), QStringLiteral("Scelta 3!")},
         true,
         0,
         0},
        {QStringLiteral("EmailTipoInvio"), QStringLiteral("Tipo Invio"), T::Scelta, TipiInvio, false, 0, 0},
        {QStringLiteral("EmailInd"),
         QStringLiteral("Indirizzo email di chi invia"),
         T::Testo,
         {},
         false,
         0,
         0},
        {QStringLiteral("EmailCentro"),
         QStringLiteral("Descriz. email di invio(centro)"),
         T::Testo,
         {},
         false,
         0,
         0},
        {QStringLiteral("EmailSMTPtipo"),
         QStringLiteral("Tipo server (Solo per CDO)"),
         T::Scelta,
         {QStringLiteral("Remoto"), QStringLiteral("Locale")},
         true,
         0,
         0},
        {QStringLiteral("EmailServerSMTP"), QStringLiteral("Server SMTP"), T::Testo, {}, false, 0, 0},
        {QStringLiteral("EmailReplay"), QStringLiteral("Indirizzo di replay"), T::Testo, {}, false, 0, 0},
        {QStringLiteral("EmailLogin"), QStringLiteral("Login Email"), T::Testo, {}, false, 0, 0},
        {QStringLiteral("EmailPwd"), QStringLiteral("Pwd Email"), T::Password, {}, false, 0, 0},
        {QStringLiteral("EmailOggetto"), QStringLiteral("Oggetto email"), T::Testo, {}, false, 0, 0},
        {QStringLiteral("EmailPersOggetto"),
         QStringLiteral("Descriz. per l'oggetto email"),
         T::Testo,
         {},
         false,
         0,
         0},
        {QStringLiteral("EmailTesto"), QStringLiteral("Testo email"), T::Testo, {}, false, 0, 0},
        {QStringLiteral("EmailNumTesto"),
         QStringLiteral("Numero del testo email"),
         T::Numero,
         {},
         false,
         1,
         3},
        {QStringLiteral("PdfEmail"), QStringLiteral("Pdf da allegare all'email"), T::File, {}, false, 0, 0},
        {QStringLiteral("EmailNumPorta"),
         QStringLiteral("Numero porta SMTP"),
         T::Numero,
         {},
         false,
         1,
         65535},
        {QStringLiteral("EmailUsaSSL"),
         QStringLiteral("Usa SSL per l'invio dell'email"),
         T::Sino,
         {},
         false,
         0,
         0},
        {QStringLiteral("EmailDirStunnel"),
         QStringLiteral("Directory stunnel"),
         T::Cartella,
         {},
         false,
         0,
         0},
        {QStringLiteral("EmailFileLog"), QStringLiteral("Nome del file per log"), T::File, {}, false, 0, 0},
        {QStringLiteral("EmailFlagNotifica"),
         QStringLiteral("Notifica di consegna"),
         T::Sino,
         {},
         false,
         0,
         0},
        {QStringLiteral("StampeEmail"),
         QStringLiteral("Stampe inviabili per email"),
         T::Testo,
         {},
         false,
         0,
         0},
        {QStringLiteral("EmailToTemp"),
         QStringLiteral("Indirizzo email temporaneo"),
         T::Testo,
         {},
         false,
         0,
         0},
    };
    return elenco;
}

const ParametroEmail* parametroPdfEmail(const QString& nome) {
    for (const ParametroEmail& p : parametriPdfEmail())
        if (p.nome.compare(nome, Qt::CaseInsensitive) == 0)
            return &p;
    return nullptr;
}

namespace {
bool si(const QString& v) {
    const QString s = v.trimmed().toLower();
    return s == u"s" || s == u"true" || s == u"vero" || s == u"1" || s == u"-1";
}
} // namespace

QStringList controllaParametriEmail(const QHash<QString, QString>& valori) {
    static const QRegularExpression indirizzo(QStringLiteral(R"(^[^@\s<>,;]+@[^@\s<>,;]+\.[A-Za-z]{2,}$)"));
    QStringList errori;
    const auto valore = [&](const QString& nome) { return valori.value(nome).trimmed(); };
    for (const ParametroEmail& p : parametriPdfEmail()) {
        const QString v = valore(p.nome);
        if (v.isEmpty())
            continue;
        const bool eIndirizzo = p.nome.startsWith(QStringLiteral("EmailTo")) && p.nome != u"EmailToNum";
        if ((eIndirizzo || p.nome == u"EmailInd" || p.nome == u"EmailReplay") &&
            !indirizzo.match(v).hasMatch())
            errori << p.didascalia + QStringLiteral(": indirizzo email non valido (") + v + u')';
        if (p.tipo == TipoParametro::Numero) {
            bool ok = false;
            const int n = v.toInt(&ok);
            if (!ok || n < p.minimo || n > p.massimo)
                errori
                    << p.didascalia +
                           QStringLiteral(": deve essere un numero da %1 a %2").arg(p.minimo).arg(p.massimo);
        }
        if (p.tipo == TipoParametro::Scelta && !p.numerata && !p.scelte.contains(v, Qt::CaseInsensitive))
            errori << p.didascalia + QStringLiteral(": valore non previsto (") + v + u')';
    }
    if (si(valore(QStringLiteral("EmailUsaSSL"))) &&
        valore(QStringLiteral("EmailTipoInvio")).compare(QStringLiteral("See"), Qt::CaseInsensitive) != 0)
        errori << QStringLiteral("L'uso di SSL è possibile solo usando tipo invio 'See'");
    const QString stunnel = valore(QStringLiteral("EmailDirStunnel"));
    if (!stunnel.isEmpty() && !QFileInfo(stunnel).isDir())
        errori << QStringLiteral("La directory stunnel è inesistente");
    return errori;
}

} // namespace tesel::stampa
