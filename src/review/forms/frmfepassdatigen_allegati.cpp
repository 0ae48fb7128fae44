// The other-data form's extraction of the invoice's attachments from its XML file: finding the
// file, opening a signed one, and writing the chosen attachments as the import names them.

#include "frame/configurazione.h"
#include "frame/contesto.h"
#include "frame/interazione.h"
#include "frame/testoxml.h"
#include "import/filefattura.h"
#include "import/firma.h"
#include "import/importazione.h"
#include "import/lettorexml.h"
#include "review/forms/frmfepassdatigen.h"
#include "review/revisione.h"
#include "store/store.h"
#include "ui/paginarighe.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QTableView>
#include <algorithm>

namespace tesel::ui {

// ---------------------------------------------------------------------------------------------
// Attachment extraction

QString trovaFileFattura(const Configurazione& configurazione, const QString& nomeFile) {
    // A stored name written on another system may carry its folders: only the name counts.
    QString nome = nomeFile.trimmed();
    nome.replace(u'\\', u'/');
    nome = QFileInfo(nome).fileName();
    if (nome.isEmpty() || nome == u"." || nome == u"..")
        return {};
    for (const char* chiave : {"DirFeScar", "DirFe", "DirCarica"}) {
        const QString cartella = configurazione.cartellaBase(QLatin1String(chiave));
        if (cartella.isEmpty())
            continue;
        const QString percorso = QDir(cartella).filePath(nome);
        if (QFileInfo(percorso).isFile())
            return percorso;
    }
    return {};
}

bool caricaFileFattura(const QString& percorso, pugi::xml_document& doc, QString& errore) {
    return caricaDocumentoFattura(percorso, doc, errore);
}

pugi::xml_node allegatoDelCorpo(const pugi::xml_document& doc, int corpo, const QString& nome) {
    const auto contiene = [](pugi::xml_node n, QLatin1String parte) {
        return n.type() == pugi::node_element && NomeNodo(n).contains(parte, Qt::CaseInsensitive);
    };
    pugi::xml_node radice;
    for (pugi::xml_node n = doc.first_child(); n && !radice; n = n.next_sibling())
        if (contiene(n, QLatin1String("FatturaElettronica")))
            radice = n;
    int numero = 0;
    for (pugi::xml_node body = radice.first_child(); body; body = body.next_sibling()) {
        if (!contiene(body, QLatin1String("FatturaElettronicaBody")) || ++numero != corpo)
            continue;
        for (pugi::xml_node a : FigliElemento(body))
            if (NomeLocale(a) == u"Allegati" && TestoFiglio(a, u"NomeAttachment") == nome)
                return FiglioPerNome(a, u"Attachment");
        break;
    }
    return {};
}

// ---------------------------------------------------------------------------------------------
// Extraction

bool frmFEPassDatiGen::Estrai() {
    Interazione& ui = contesto_.interazione;
    if (blocco_ != BloccoAllegati)
        return false;
    QList<int> righe;
    for (const QModelIndex& i : dbgAltri->selectionModel()->selectedRows())
        righe << i.row();
    std::sort(righe.begin(), righe.end());
    if (righe.isEmpty()) {
        msgCom(ui, QStringLiteral("Selezionare gli allegati da estrarre"));
        return false;
    }

    QString nomeStore;
    try {
        nomeStore = review::nomeFileFattura(contesto_.db, fattura_);
    } catch (const ErroreDb& e) {
        msgCom(ui,
               QStringLiteral("Lettura non riuscita - Errore(%1): %2").arg(e.numero()).arg(e.descrizione()));
        return false;
    }
    const auto [nomeFile, corpo] = fileECorpo(nomeStore);
    QString percorso = trovaFileFattura(contesto_.configurazione, nomeFile);
    if (percorso.isEmpty()) {
        msgCom(ui, QStringLiteral("non trovato il file xml da cui estrarre gli allegati"));
        percorso = sceltaFile ? sceltaFile(this, QStringLiteral("File contenente allegati"),
                                           QStringLiteral("Xml (*.xml);;Xml firmati (*.p7m)"))
                              : QString();
        if (percorso.isEmpty())
            return false;
    }
    pugi::xml_document doc;
    QString errore;
    if (!caricaFileFattura(percorso, doc, errore)) {
        msgCom(ui, errore);
        return false;
    }
    // Files are named as the import names them, from the stored file name.
    const QString fileXml = nomeFile.isEmpty() ? QFileInfo(percorso).fileName() : nomeFile;
    const QString cartella = cartellaEstrazione.isEmpty()
                                 ? cartellaAllegatiImport(contesto_.configurazione, percorso)
                                 : cartellaEstrazione;
    if (!QDir().mkpath(cartella)) {
        msgCom(ui, QStringLiteral("Impossibile creare la cartella ") + cartella);
        return false;
    }
    const int colonna = DatRigaAltri->colonna(QStringLiteral("NomeAttachment"));
    QStringList problemi;
    bool interrompi = false;
    for (int r : righe) {
        const QString nome = DatRigaAltri->righe()->testo(r, colonna);
        estraiUno(doc, corpo, fileXml, cartella, nome, problemi, interrompi);
        if (interrompi)
            break;
    }
    QString fine = QStringLiteral("Estrazione terminata");
    if (!problemi.isEmpty())
        fine += u'\n' + problemi.join(u'\n');
    msgCom(ui, fine);
    return problemi.isEmpty() && !interrompi;
}

bool frmFEPassDatiGen::estraiUno(const pugi::xml_document& doc, int corpo, const QString& fileXml,
                                 const QString& cartella, const QString& nome, QStringList& problemi,
                                 bool& interrompi) {
    const pugi::xml_node allegato = allegatoDelCorpo(doc, corpo, nome);
    if (!allegato) {
        problemi << QStringLiteral("Allegato non trovato nel file xml: ") + nome;
        return false;
    }
    const QString destinazione = QDir(cartella).filePath(NomeFileAllegato(fileXml, nome));
    if (QFileInfo::exists(destinazione)) {
        const int r =
            msgCom(contesto_.interazione,
                   QStringLiteral("File ") + QFileInfo(destinazione).fileName() +
                       QStringLiteral(" già esistente") + u'\n' + QStringLiteral("Confermi sovrascrittura"),
                   QStringLiteral("Sì"), QStringLiteral("&No"), QStringLiteral("&Annulla"));
        // "&No" leaves this one as it is, "&Annulla" stops the extraction.
        interrompi = r == 3;
        if (r != 1)
            return false;
    }
    TestoErrori errori;
    try {
        estraiAllegato(allegato, nome, fileXml, cartella, errori);
    } catch (const std::exception& e) {
        problemi << QString::fromUtf8(e.what());
        return false;
    }
    if (!errori.vuoto()) {
        problemi << nome + QStringLiteral(": ") + errori.testo().trimmed();
        return false;
    }
    return true;
}

} // namespace tesel::ui
