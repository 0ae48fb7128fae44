#include "printing/impostazione.h"

#include "frame/clientmenu.h"
#include "frame/database.h"
#include "frame/ini.h"
#include "frame/interazione.h"
#include "frame/sqlvalore.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QPageSize>
#include <QRegularExpression>
#include <QSysInfo>

namespace tesel::stampa {

namespace {

bool vero(const QString& v) {
    const QString s = v.trimmed().toLower();
    return s == u"s" || s == u"true" || s == u"vero" || s == u"si" || s == u"1" || s == u"-1";
}

// A decimal written either way ("0,9" or "0.9"); nothing when it is not a number.
std::optional<double> numero(const QString& v) {
    QString s = v.trimmed();
    s.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double d = s.toDouble(&ok);
    if (!ok || !std::isfinite(d))
        return std::nullopt;
    return d;
}

QString perFile(QString v) {
    static const QRegularExpression vietati(QStringLiteral(R"([/\\:*?"<>|])"));
    return v.replace(vietati, QStringLiteral("_"));
}

} // namespace

Postazione postazioneCorrente(ClientMenu& menu) {
    Postazione p;
    p.terminale = qEnvironmentVariable("TESEL_TERMINALE");
    if (p.terminale.isEmpty())
        p.terminale = QSysInfo::machineHostName();
    p.login = menu.parametroMenu(QStringLiteral("Login"));
    if (p.login.isEmpty())
        p.login = qEnvironmentVariable("USER");
    p.gruppo = menu.parametroMenu(QStringLiteral("Gruppo"));
    return p;
}

IdentitaStampa leggiIdentita(Database& comune, qint64 chiave, qint64 chiaveSec, const QString& codSta,
                             const QString& titolo, bool usaCaption, bool usaDescPrg) {
    IdentitaStampa id{codSta, titolo, {}};
    if (!usaCaption && !usaDescPrg)
        return id;
    Recordset rs = comune.ApriRs(QStringLiteral("SELECT * From MenuDett") + QStringLiteral(" WHERE Chiave=") +
                                 SqlValore(chiave, SqlLungo) + QStringLiteral(" AND ChiaveSec=") +
                                 SqlValore(chiaveSec, SqlLungo));
    if (rs.RsVuoto())
        return id;
    if (usaCaption && !rs.leggiTesto(QStringLiteral("Caption")).trimmed().isEmpty())
        id.titolo = rs.leggiTesto(QStringLiteral("Caption")).trimmed();
    if (usaDescPrg)
        id.descPrg = rs.leggiTesto(QStringLiteral("DescPrg")).trimmed();
    return id;
}

QString sostituisciSegnaposto(const QString& modello, const Postazione& p, const DatiAzienda& a,
                              const IdentitaStampa& id, const QDateTime& quando,
                              const QHash<QString, QString>& aggiunti, bool perNomeFile) {
    const QLocale it(QLocale::Italian, QLocale::Italy);
    QHash<QString, QString> valori{
        {QStringLiteral("terminale"), p.terminale},
        {QStringLiteral("login"), p.login},
        {QStringLiteral("gruppo"), p.gruppo},
        {QStringLiteral("descazie"), a.descAzie},
        {QStringLiteral("codiceazie"), a.codiceAzie},
        {QStringLiteral("idazienda"), a.idAzienda},
        {QStringLiteral("descprg"), id.descPrg},
        {QStringLiteral("titolo"), id.titolo},
        {QStringLiteral("codsta"), id.codSta},
        {QStringLiteral("data"), quando.toString(QStringLiteral("ddMMyyyy"))},
        {QStringLiteral("datarov"), quando.toString(QStringLiteral("yyyyMMdd"))},
        {QStringLiteral("datalong"), it.toString(quando.date(), QStringLiteral("dd MMMM yyyy"))},
        {QStringLiteral("dataabb"), it.toString(quando.date(), QStringLiteral("dd MMM yyyy"))},
        {QStringLiteral("ora"), quando.toString(QStringLiteral("hhmm"))},
        {QStringLiteral("orarid"), quando.toString(QStringLiteral("hhmm"))},
    };
    for (auto it2 = aggiunti.cbegin(); it2 != aggiunti.cend(); ++it2)
        valori.insert(it2.key().toLower(), it2.value());

    // One pass from left to right, so a value holding "§" is never replaced again.
    QString esito;
    int i = 0;
    while (i < modello.size()) {
        const int inizio = modello.indexOf(u'§', i);
        if (inizio < 0)
            break;
        const int fine = modello.indexOf(u'§', inizio + 1);
        if (fine < 0)
            break;
        const QString nome = modello.mid(inizio + 1, fine - inizio - 1);
        const auto trovato = valori.constFind(nome.toLower());
        esito += modello.mid(i, inizio - i);
        if (trovato == valori.cend()) {
            // Not a placeholder: keep the first sign and look again from the second.
            esito += u'§';
            i = inizio + 1;
            continue;
        }
        esito += perNomeFile ? perFile(*trovato) : *trovato;
        i = fine + 1;
    }
    esito += modello.mid(i);
    return esito;
}

std::vector<StileCarattere> stiliStandard() {
    const QString arial = QStringLiteral("Arial");
    return {
        {QStringLiteral("TestaAzienda"), arial, 9, false},
        {QStringLiteral("Titolo"), arial, 9, true},
        {QStringLiteral("TestaData"), arial, 10, false},
        {QStringLiteral("TestaTitolo"), arial, 12, true},
        {QStringLiteral("CorpoLab"), arial, 8, true},
        {QStringLiteral("CorpoLab2"), arial, 10, false},
        {QStringLiteral("CorpoCampo"), arial, 8, false},
        {QStringLiteral("CorpoLabComp"), arial, 7, true},
        {QStringLiteral("CorpoCampoComp"), arial, 7, false},
        {QStringLiteral("LarghezzaFissa"), QStringLiteral("Courier New"), 8, false},
    };
}

bool ParametriProgramma::copieConsentite(const QString& codSta) const {
    const QStringList codici = noCopieSta.toLower().split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString& c : codici)
        if (c.trimmed() == u"tutti" || c.trimmed() == codSta.toLower())
            return false;
    return true;
}

ParametriProgramma leggiParametriProgramma(ClientMenu& menu) {
    const QString tutti = QStringLiteral("Tutti");
    ParametriProgramma p;
    p.protUltRiga = vero(menu.parametroProcedura(QStringLiteral("ProtUltRiga"), tutti));
    p.noCopieSta = menu.parametroProcedura(QStringLiteral("NoCopieSta"), tutti);
    p.versMenu = menu.parametroMenu(QStringLiteral("VersMenu"));
    p.ultRigaGrigia = vero(menu.parametroProcedura(QStringLiteral("UltRigaGrigia"), tutti));
    p.attendiPdfNoStampa = vero(menu.parametroProcedura(QStringLiteral("AttendiPdfNoStampa"), tutti));
    p.dirImgEmail = menu.parametroProcedura(QStringLiteral("DirImgEmail"), tutti);
    p.stampaCaption = vero(menu.parametroProcedura(QStringLiteral("StampaCaption"), tutti));
    p.stampaDescPrg = vero(menu.parametroProcedura(QStringLiteral("StampaDescPrg"), tutti));
    return p;
}

QString chiaveOpzione(const QString& opzione, Ambito ambito, Zona zona, const QString& terminale,
                      const QString& codSta) {
    QString k = opzione;
    if (zona == Zona::SoloStampa)
        k = codSta + QLatin1Char('.') + k;
    if (ambito == Ambito::Postazione)
        k = QLatin1Char('@') + terminale + QLatin1Char('.') + k;
    return k;
}

QString testoSeparatore(QChar c) {
    switch (c.unicode()) {
    case u' ':
        return QStringLiteral("Spazio");
    case u'\t':
        return QStringLiteral("Tabulatore");
    case u',':
        return QStringLiteral("Virgola");
    default:
        return QStringLiteral("PuntoEVirgola");
    }
}

std::optional<QChar> separatoreDaTesto(const QString& t) {
    const QString s = t.trimmed().toLower();
    if (s == u"spazio")
        return QLatin1Char(' ');
    if (s == u"tabulatore" || s == u"tab")
        return QLatin1Char('\t');
    if (s == u"puntoevirgola" || s == u"punto e virgola")
        return QLatin1Char(';');
    if (s == u"virgola")
        return QLatin1Char(',');
    return std::nullopt;
}

QString testoQualificatore(const QString& q) {
    if (q == u"'")
        return QStringLiteral("Apice");
    if (q == u"\"")
        return QStringLiteral("Doppio");
    return QStringLiteral("Nessuno");
}

std::optional<QString> qualificatoreDaTesto(const QString& t) {
    const QString s = t.trimmed().toLower();
    if (s == u"nessuno")
        return QString();
    if (s == u"apice")
        return QStringLiteral("'");
    if (s == u"doppio")
        return QStringLiteral("\"");
    return std::nullopt;
}

bool salvaOpzioni(FileIni& profilo, const QList<std::pair<QString, QString>>& valori, Ambito ambito,
                  Zona zona, const QString& terminale, const QString& codSta, QString& errore) {
    for (const auto& [nome, valore] : valori) {
        if (!profilo.set(SezioneOpzioni, chiaveOpzione(nome, ambito, zona, terminale, codSta), valore)) {
            errore = QStringLiteral("Valore non registrabile per l'opzione ") + nome;
            return false;
        }
    }
    if (!profilo.save()) {
        errore = QStringLiteral("Impossibile scrivere il file ") + profilo.percorso();
        return false;
    }
    return true;
}

int cancellaOpzioni(FileIni& profilo, const QStringList& nomi, Ambito ambito, Zona zona,
                    const QString& terminale, const QString& codSta) {
    int tolte = 0;
    for (const QString& nome : nomi)
        tolte += profilo.removeKey(SezioneOpzioni, chiaveOpzione(nome, ambito, zona, terminale, codSta));
    if (tolte > 0 && !profilo.save())
        return -1;
    return tolte;
}

QString messaggioMargini() {
    return QStringLiteral("(IniParamStampa) Problemi nei parametri dei margini") + QLatin1Char('\n') +
           QStringLiteral("nel file di inizializzazione. ") + QStringLiteral("Uso i valori di default");
}

ImpostazioneStampa::ImpostazioneStampa(const FileIni& profilo, Postazione postazione, IdentitaStampa identita,
                                       DatiAzienda azienda)
    : profilo_(profilo), postazione_(std::move(postazione)), identita_(std::move(identita)),
      azienda_(std::move(azienda)) {
}

QString ImpostazioneStampa::opzione(const QString& sezione, const QString& nome,
                                    const QString& predefinito) const {
    const QString& t = postazione_.terminale;
    const QString& c = identita_.codSta;
    for (const QString& k : {chiaveOpzione(nome, Ambito::Postazione, Zona::SoloStampa, t, c),
                             chiaveOpzione(nome, Ambito::Comune, Zona::SoloStampa, t, c),
                             chiaveOpzione(nome, Ambito::Postazione, Zona::Predefinita, t, c),
                             chiaveOpzione(nome, Ambito::Comune, Zona::Predefinita, t, c)}) {
        if (const auto v = profilo_.trova(sezione, k))
            return *v;
    }
    return predefinito;
}

OpzioniStampa ImpostazioneStampa::leggiOpzioni(Interazione& ui) const {
    OpzioniStampa o;
    bool errori = false;
    const auto leggi = [&](const QString& nome) { return opzione(SezioneOpzioni, nome).trimmed(); };
    const auto intero = [&](const QString& nome, int minimo, int massimo, int& dove) {
        const QString v = leggi(nome);
        if (v.isEmpty())
            return;
        bool ok = false;
        const int n = v.toInt(&ok);
        if (ok && n >= minimo && n <= massimo)
            dove = n;
        else
            errori = true;
    };

    const QString dove = leggi(QStringLiteral("StaVid")).toLower();
    if (dove.isEmpty() || dove == u"stampante")
        o.staVid = DoveStampare::Stampante;
    else if (dove == u"video")
        o.staVid = DoveStampare::Video;
    else if (dove == u"file")
        o.staVid = DoveStampare::File;
    else if (dove == u"fissa")
        o.staVid = DoveStampare::Fissa;
    else
        errori = true;
    o.nomeStampante = leggi(QStringLiteral("NomeStampante"));
    o.nomePorta = leggi(QStringLiteral("NomePorta"));
    o.forzaVert = vero(leggi(QStringLiteral("ForzaVert")));
    intero(QStringLiteral("Fatt"), 10, 400, o.fatt);
    const QString memVid = leggi(QStringLiteral("MemVid"));
    if (!memVid.isEmpty())
        o.memVid = vero(memVid);
    intero(QStringLiteral("NumCassetto"), 0, 9999, o.numCassetto);
    intero(QStringLiteral("NumTipoCarta"), 0, 9999, o.numTipoCarta);
    o.fileName = leggi(QStringLiteral("FileName"));
    o.pathDefault = leggi(QStringLiteral("PathDefault"));
    o.pdfNomeAutom = vero(leggi(QStringLiteral("PdfNomeAutom")));
    o.inviaEmail = vero(leggi(QStringLiteral("InviaEmail"))) || vero(leggi(QStringLiteral("EmailInvia")));
    o.mostraNumPag = vero(leggi(QStringLiteral("MostraNumPag")));

    const QString formato = leggi(QStringLiteral("FileForm"));
    if (const auto f = formatoDaTesto(formato.isEmpty() ? QFileInfo(o.fileName).suffix() : formato))
        o.file.formato = *f;
    else if (!formato.isEmpty())
        errori = true;
    if (const QString v = leggi(QStringLiteral("SepCampi")); !v.isEmpty()) {
        if (const auto c = separatoreDaTesto(v))
            o.file.separatore = *c;
        else
            errori = true;
    }
    if (const QString v = leggi(QStringLiteral("DelimStr")); !v.isEmpty()) {
        if (const auto q = qualificatoreDaTesto(v))
            o.file.qualificatore = *q;
        else
            errori = true;
    }
    o.file.numeriSenzaFormato = vero(leggi(QStringLiteral("NumNoForm")));

    o.fisFileName = leggi(QStringLiteral("FisFileName"));
    o.fisStampante = leggi(QStringLiteral("FisStampante"));
    OpzioniFissa fissa;
    intero(QStringLiteral("FisColonne"), 20, 400, fissa.colonne);
    intero(QStringLiteral("FisRighe"), 10, 400, fissa.righe);
    intero(QStringLiteral("FisMrAlt"), 0, 400, fissa.righeVuoteAlto);
    intero(QStringLiteral("FisMrBas"), 0, 400, fissa.righeVuoteBasso);
    fissa.compresso = vero(leggi(QStringLiteral("FisUtilComp")));
    for (const auto& [nome, dove] : {std::pair{QStringLiteral("FisCodIniComp"), &fissa.inizioCompresso},
                                     std::pair{QStringLiteral("FisCodFinComp"), &fissa.fineCompresso}}) {
        if (const auto seq = sequenzaDaTesto(leggi(nome)))
            *dove = *seq;
        else
            errori = true;
    }
    if (controllaOpzioniFissa(fissa).isEmpty())
        o.fissa = fissa;
    else
        errori = true;
    if (errori)
        msgCom(ui, QStringLiteral("(IniOpzSta) Problemi nei parametri"), QStringLiteral("&Ok"), {}, {},
               QStringLiteral("Errore file ini"));
    return o;
}

PdfAutomatico ImpostazioneStampa::leggiPdfAutomatico() const {
    PdfAutomatico p;
    p.abilitato = vero(opzione(SezioneOpzioni, QStringLiteral("PdfAutomAbil")));
    p.usaPdfCreator = vero(opzione(SezioneOpzioni, QStringLiteral("UsaPdfCreator")));
    p.usaPdf995 = vero(opzione(SezioneOpzioni, QStringLiteral("UsaPdf995")));
    p.attivaPdfAutom = vero(opzione(SezioneOpzioni, QStringLiteral("AttivaPdfAutom")));
    p.modello = opzione(SezioneOpzioni, QStringLiteral("PdfNomeFile")).trimmed();
    return p;
}

SessioniStampanti ImpostazioneStampa::leggiSessioni() const {
    SessioniStampanti s;
    s.termSessAggNome = vero(opzione(SezioneOpzioni, QStringLiteral("TermSessAggNome")));
    for (const QString& nome : opzione(SezioneOpzioni, QStringLiteral("Stampanti")).split(QLatin1Char(',')))
        if (!nome.trimmed().isEmpty())
            s.stampanti << nome.trimmed();
    s.terminale = postazione_.terminale;
    return s;
}

void ImpostazioneStampa::inizializza(LumoStampe& s) {
    // The body label and field styles are what every report selects first.
    for (const StileCarattere& st : stiliStandard())
        if (st.nome == u"CorpoLab" || st.nome == u"CorpoCampo")
            s.definisciStile(st);
    s.selezionaStile(QStringLiteral("CorpoCampo"));
}

void ImpostazioneStampa::fontTestataECorpo(LumoStampe& s) const {
    for (const StileCarattere& st : stiliStandard())
        s.definisciStile(st);
    const bool testa = vero(opzione(SezioneOpzioni, QStringLiteral("FontPersTes")));
    const bool corpo = vero(opzione(SezioneOpzioni, QStringLiteral("FontPersCor")));
    if (!testa && !corpo)
        return;
    QString insieme = opzione(SezioneOpzioni, QStringLiteral("CodiceFontCor")).trimmed();
    if (insieme.isEmpty())
        insieme = QStringLiteral("Font");
    const int quanti = opzione(SezioneOpzioni, insieme + QStringLiteral("_Progr")).trimmed().toInt();
    for (int n = 1; n <= quanti; ++n) {
        const QString base = insieme + QStringLiteral(".FFPers-%1").arg(n);
        StileCarattere st;
        st.nome = QStringLiteral("FFPers-%1").arg(n);
        st.famiglia = opzione(SezioneOpzioni, base + QStringLiteral("_Name")).trimmed();
        if (st.famiglia.isEmpty())
            continue;
        const auto punti = numero(opzione(SezioneOpzioni, base + QStringLiteral("_Size")));
        st.punti = punti && *punti >= 4 && *punti <= 72 ? *punti : 10;
        st.grassetto = vero(opzione(SezioneOpzioni, base + QStringLiteral("_Bold")));
        s.definisciStile(st);
    }
}

bool ImpostazioneStampa::IniParamStampa(LumoStampe& s, Interazione& ui) {
    ParametriPagina p;
    const auto leggi = [&](const char* nome) { return opzione(SezioneParametri, QString::fromLatin1(nome)); };
    bool sbagliato = false;
    int mancanti = 0;
    const auto valore = [&](const char* nome, double& dove, double minimo, double massimo, bool margine) {
        const QString v = leggi(nome);
        if (v.trimmed().isEmpty()) {
            mancanti += margine;
            return;
        }
        const auto n = numero(v);
        if (!n || *n < minimo || *n > massimo)
            sbagliato = true;
        else
            dove = *n;
    };
    valore("MrSin", p.mrSin, 0, 100, true);
    valore("MrDes", p.mrDes, 0, 100, true);
    valore("MrAlt", p.mrAlt, 0, 100, true);
    valore("MrBas", p.mrBas, 0, 100, true);
    valore("Fatt", p.fatt, 0.1, 5, false);
    valore("Interl", p.interl, 0.5, 5, false);
    valore("Dx", p.dx, -50, 50, false);
    valore("Dy", p.dy, -50, 50, false);
    double mrSin = 0, mrAlt = 0, col = 0, righe = 0;
    valore("ModMrSin", mrSin, 0, 100, false);
    valore("ModMrAlt", mrAlt, 0, 100, false);
    valore("ModColSin", col, 0, 500, false);
    valore("ModRigheAlt", righe, 0, 500, false);
    p.forzaVert = vero(leggi("ForzaVert")) || vero(opzione(SezioneOpzioni, QStringLiteral("ForzaVert")));
    p.mrSin += mrSin;
    p.mrAlt += mrAlt;

    // Never configured (no margin at all) is not an error: the defaults hold silently. Some
    // margins without the others, or a value that cannot be used, is.
    bool errore = sbagliato || (mancanti > 0 && mancanti < 4);
    if (!errore) {
        s.impostaParametri(p);
        // Margins that leave no room on the sheet are as wrong as unreadable ones.
        errore = s.larghezzaStampabile() < 20 || s.altezzaStampabile() < 20;
    }
    if (errore) {
        const bool forza = p.forzaVert;
        p = ParametriPagina{};
        p.forzaVert = forza;
        mrSin = mrAlt = col = righe = 0;
        s.impostaParametri(p);
        msgCom(ui, messaggioMargini(), QStringLiteral("&Ok"), {}, {}, QStringLiteral("Errore file ini"));
    }
    modMrSin = mrSin;
    modMrAlt = mrAlt;
    modColSin = int(col);
    modRigheAlt = int(righe);
    pagina_ = p;
    return !errore;
}

OpzioniStampa ImpostazioneStampa::prepara(LumoStampe& s, Interazione& ui) {
    inizializza(s);
    fontTestataECorpo(s);
    const OpzioniStampa o = leggiOpzioni(ui);
    if (o.numTipoCarta > 0 && o.numTipoCarta < int(QPageSize::LastPageSize))
        s.impostaFormato(QPageSize(QPageSize::PageSizeId(o.numTipoCarta)), s.orientamento());
    IniParamStampa(s, ui);
    s.selezionaStile(QStringLiteral("CorpoCampo"));
    return o;
}

QString ImpostazioneStampa::nomePdf(const QHash<QString, QString>& aggiunti,
                                    const QString& cartellaPredefinita, const QDateTime& quando) const {
    const QString modello = leggiPdfAutomatico().modello;
    if (modello.isEmpty())
        return {};
    QString nome = sostituisciSegnaposto(modello, postazione_, azienda_, identita_, quando, aggiunti, true);
    nome = percorsoLocale(nome);
    if (!nome.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive))
        nome += QLatin1String(".pdf");
    if (QDir::isRelativePath(nome)) {
        QString cartella = percorsoLocale(opzione(SezioneOpzioni, QStringLiteral("PathDefault")).trimmed());
        if (cartella.isEmpty())
            cartella = cartellaPredefinita;
        nome = uniscePercorso(cartella, nome);
    }
    return QDir::cleanPath(nome);
}

} // namespace tesel::stampa
