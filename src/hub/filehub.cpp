#include "hub/filehub.h"

#include "frame/configurazione.h"
#include "frame/hash.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace tesel::hub {

QString CartellaScarico(Configurazione& configurazione) {
    QString cartella;
    for (const char* chiave : {"DirFeScar", "DirFe", "DirCarica"}) {
        const QString nome = QLatin1String(chiave);
        cartella = configurazione.cartellaBase(nome);
        if (!cartella.isEmpty()) {
            cartella = configurazione.DirAzienda(cartella, nome);
            break;
        }
    }
    if (cartella.isEmpty())
        return {};
    QDir().mkpath(cartella);
    if (!cartella.endsWith(u'/'))
        cartella += u'/';
    return cartella;
}

FileHubScaricato LeggiFileHub(pugi::xml_node file) {
    FileHubScaricato f;
    f.nome = QString::fromUtf8(file.child("nome").text().get()).trimmed();
    f.sha256 = QString::fromUtf8(file.child("sha256").text().get()).trimmed();
    const auto dati = base64Decodifica(QByteArrayView(file.child("base64").text().get()));
    if (dati && !dati->isEmpty()) {
        f.decodificato = true;
        f.contenuto = *dati;
        f.improntaOk = verificaSha256(f.contenuto, f.sha256);
    }
    return f;
}

QString NomeFileSicuro(const QString& nome, const QString& riserva) {
    QString n = nome;
    n.replace(u'\\', u'/');
    n = n.section(u'/', -1);
    QString pulito;
    for (const QChar c : n)
        if (c.unicode() >= 0x20 && c != u':' && c != u'*' && c != u'?' && c != u'"' && c != u'<' &&
            c != u'>' && c != u'|')
            pulito += c;
    pulito = pulito.trimmed();
    if (pulito.isEmpty() || pulito == u"." || pulito == u"..")
        return riserva;
    return pulito;
}

bool ScriviFileScaricato(const QString& cartella, const QString& nome, const QByteArray& contenuto,
                         QString* errore) {
    QSaveFile f(QDir(cartella).filePath(nome));
    if (!f.open(QIODevice::WriteOnly) || f.write(contenuto) != contenuto.size() || !f.commit()) {
        if (errore)
            *errore = f.errorString();
        f.cancelWriting();
        return false;
    }
    return true;
}

} // namespace tesel::hub
