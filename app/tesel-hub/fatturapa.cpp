#include "fatturapa.h"

#include "frame/hash.h"
#include "frame/testoxml.h"
#include "import/firma.h"

#include <QFileInfo>
#include <QXmlStreamWriter>
#include <cstring>
#include <zlib.h>

namespace tesel::hubserver {

namespace {

const char* locale(const char* nome) {
    const char* p = std::strrchr(nome, ':');
    return p ? p + 1 : nome;
}

// The child element with that local name (namespace prefixes vary between producers).
pugi::xml_node figlio(pugi::xml_node n, const char* nome) {
    for (pugi::xml_node c = n.first_child(); c; c = c.next_sibling())
        if (c.type() == pugi::node_element && std::strcmp(locale(c.name()), nome) == 0)
            return c;
    return {};
}

pugi::xml_node percorso(pugi::xml_node n, std::initializer_list<const char*> nomi) {
    for (const char* nome : nomi)
        n = figlio(n, nome);
    return n;
}

QString testo(pugi::xml_node n) {
    return QString::fromUtf8(n.child_value()).trimmed();
}

// The party of a header block: VAT number, fiscal code and name (company or person).
void parte(pugi::xml_node blocco, Riepilogo& r) {
    pugi::xml_node anagrafici = figlio(blocco, "DatiAnagrafici");
    if (!anagrafici)
        anagrafici = figlio(blocco, "IdentificativiFiscali"); // simplified invoice
    const pugi::xml_node iva = figlio(anagrafici, "IdFiscaleIVA");
    r.paese = testo(figlio(iva, "IdPaese"));
    r.partitaIva = testo(figlio(iva, "IdCodice"));
    r.codiceFiscale = testo(figlio(anagrafici, "CodiceFiscale"));
    pugi::xml_node anagrafica = figlio(anagrafici, "Anagrafica");
    // The simplified invoice keeps the name in the block itself or in its other data.
    if (!anagrafica)
        anagrafica = figlio(blocco, "AltriDatiIdentificativi");
    if (!anagrafica)
        anagrafica = blocco;
    r.denominazione = testo(figlio(anagrafica, "Denominazione"));
    if (r.denominazione.isEmpty())
        r.denominazione =
            (testo(figlio(anagrafica, "Nome")) + u' ' + testo(figlio(anagrafica, "Cognome"))).trimmed();
}

QByteArray intero32(quint32 v) {
    QByteArray b(4, '\0');
    for (int i = 0; i < 4; ++i)
        b[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    return b;
}

QByteArray intero16(quint16 v) {
    QByteArray b(2, '\0');
    b[0] = static_cast<char>(v & 0xFF);
    b[1] = static_cast<char>(v >> 8);
    return b;
}

} // namespace

QString nomeSicuro(const QString& nome) {
    QString n = nome;
    n.replace(u'\\', u'/');
    n = n.section(u'/', -1);
    QString r;
    for (QChar c : n)
        if (c.unicode() >= 32 && c != u':' && c != u'*' && c != u'?' && c != u'"' && c != u'<' && c != u'>' &&
            c != u'|')
            r += c;
    r = r.trimmed();
    while (r.startsWith(u'.'))
        r.remove(0, 1);
    return r.isEmpty() ? QStringLiteral("allegato") : r;
}

QString nomeXml(const QString& nomeFile) {
    const QString n = nomeSicuro(nomeFile);
    if (n.endsWith(QStringLiteral(".p7m"), Qt::CaseInsensitive))
        return n.left(n.size() - 4);
    return n;
}

LetturaFattura leggiFattura(const QString& nomeFile, const QByteArray& contenuto) {
    LetturaFattura l;
    l.xml = contenuto;
    if (sembraFirmato(nomeFile, contenuto.left(BytesInizioFirmato))) {
        const ContenutoFirmato f = estraiXmlFirmato(contenuto);
        if (!f.xml) {
            l.errore = f.errore;
            return l;
        }
        l.xml = *f.xml;
    }
    pugi::xml_document doc;
    QString errore;
    if (!caricaXml(doc, l.xml, &errore)) {
        l.errore = errore;
        return l;
    }
    const pugi::xml_node radice = doc.document_element();
    const QString nomeRadice = QString::fromUtf8(locale(radice.name()));
    if (!nomeRadice.startsWith(QStringLiteral("FatturaElettronica"))) {
        l.errore =
            QStringLiteral("Il file non è una fattura elettronica (elemento radice %1)").arg(nomeRadice);
        return l;
    }
    const pugi::xml_node testata = figlio(radice, "FatturaElettronicaHeader");
    const pugi::xml_node corpo = figlio(radice, "FatturaElettronicaBody");
    const pugi::xml_node generali = percorso(corpo, {"DatiGenerali", "DatiGeneraliDocumento"});
    Riepilogo documento;
    documento.numero = testo(figlio(generali, "Numero"));
    documento.data = testo(figlio(generali, "Data"));
    documento.tipo = testo(figlio(generali, "TipoDocumento"));
    documento.divisa = testo(figlio(generali, "Divisa"));
    documento.totale = testo(figlio(generali, "ImportoTotaleDocumento"));
    documento.destinatario = testo(percorso(testata, {"DatiTrasmissione", "CodiceDestinatario"}));
    for (pugi::xml_node b = corpo; b; b = b.next_sibling())
        for (pugi::xml_node a = b.first_child(); a; a = a.next_sibling()) {
            if (std::strcmp(locale(a.name()), "Allegati") != 0)
                continue;
            const auto dati = base64Decodifica(QByteArrayView(figlio(a, "Attachment").child_value()), true);
            if (dati)
                l.allegati.push_back({nomeSicuro(testo(figlio(a, "NomeAttachment"))), *dati});
        }
    documento.allegati = !l.allegati.isEmpty();
    Riepilogo cedente = documento;
    parte(figlio(testata, "CedentePrestatore"), cedente);
    Riepilogo cessionario = documento;
    parte(figlio(testata, "CessionarioCommittente"), cessionario);
    l.cedente = cedente;
    l.cessionario = cessionario;
    return l;
}

std::optional<FileHub> notifica(const DocumentoAttivo& d) {
    struct Tipo {
        const char* stato;
        const char* sigla;
        const char* radice;
    };
    static constexpr Tipo tipi[] = {
        {"CO", "RC", "RicevutaConsegna"},        {"SC", "NS", "NotificaScarto"},
        {"MC", "MC", "NotificaMancataConsegna"}, {"RI", "NE", "NotificaEsito"},
        {"RC", "NE", "NotificaEsito"},           {"NR", "AT", "AttestazioneTrasmissioneFattura"}};
    for (const Tipo& t : tipi) {
        if (d.stato != QLatin1StringView(t.stato))
            continue;
        QByteArray xml;
        QXmlStreamWriter w(&xml);
        w.setAutoFormatting(true);
        w.writeStartDocument();
        w.writeStartElement(QLatin1StringView(t.radice));
        w.writeTextElement(QStringLiteral("IdentificativoSdI"), d.identificativoSdi);
        w.writeTextElement(QStringLiteral("NomeFile"), nomeXml(d.nomeFile));
        w.writeTextElement(QStringLiteral("DataOraRicezione"), d.dataOraRicezione);
        if (!d.dataOraConsegna.isEmpty())
            w.writeTextElement(QStringLiteral("DataOraConsegna"), d.dataOraConsegna);
        if (d.stato == u"SC")
            w.writeTextElement(QStringLiteral("Descrizione"), QStringLiteral("File non conforme al formato"));
        if (d.stato == u"RI" || d.stato == u"RC")
            w.writeTextElement(QStringLiteral("Esito"), QStringLiteral("EC02"));
        w.writeTextElement(QStringLiteral("Hash"), d.sha256);
        w.writeEndElement();
        w.writeEndDocument();
        QString base = nomeXml(d.nomeFile);
        if (base.endsWith(QStringLiteral(".xml"), Qt::CaseInsensitive))
            base.chop(4);
        return FileHub{base + u'_' + QLatin1StringView(t.sigla) + QStringLiteral("_001.xml"), xml};
    }
    return std::nullopt;
}

QByteArray zip(const QList<FileHub>& file) {
    QByteArray archivio, centrale;
    quint16 voci = 0;
    for (const FileHub& f : file) {
        const QByteArray nome = nomeSicuro(f.nome).toUtf8();
        const quint32 crc =
            static_cast<quint32>(crc32(0L, reinterpret_cast<const Bytef*>(f.contenuto.constData()),
                                       static_cast<uInt>(f.contenuto.size())));
        const quint32 dimensione = static_cast<quint32>(f.contenuto.size());
        const quint32 posizione = static_cast<quint32>(archivio.size());
        // Version 2.0, flag bit 11 (names in UTF-8), method 0 (stored), a fixed time stamp.
        const QByteArray comune = intero16(20) + intero16(0x0800) + intero16(0) + intero16(0) +
                                  intero16(0x21) + intero32(crc) + intero32(dimensione) +
                                  intero32(dimensione) + intero16(static_cast<quint16>(nome.size())) +
                                  intero16(0);
        archivio += intero32(0x04034b50) + comune + nome + f.contenuto;
        centrale += intero32(0x02014b50) + intero16(20) + comune + intero16(0) + intero16(0) + intero16(0) +
                    intero32(0) + intero32(posizione) + nome;
        ++voci;
    }
    const quint32 inizioCentrale = static_cast<quint32>(archivio.size());
    archivio += centrale;
    archivio += intero32(0x06054b50) + intero16(0) + intero16(0) + intero16(voci) + intero16(voci) +
                intero32(static_cast<quint32>(centrale.size())) + intero32(inizioCentrale) + intero16(0);
    return archivio;
}

} // namespace tesel::hubserver
