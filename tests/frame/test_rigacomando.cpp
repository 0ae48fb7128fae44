#include "frame/rigacomando.h"

#include <gtest/gtest.h>

using namespace tesel;

TEST(RigaComando, shouldExtractTaggedValues) {
    const QString riga =
        QStringLiteral("M=menu-12 P=TESEL resto del programma F=frmFECarXML I=\"/home/u/dati demo/t.ini\"");
    EXPECT_EQ(parametroRigaComando(riga, u'M'), QStringLiteral("menu-12"));
    EXPECT_EQ(parametroRigaComando(riga, u'p'), QStringLiteral("TESEL resto del programma"));
    EXPECT_EQ(parametroRigaComando(riga, u'F'), QStringLiteral("frmFECarXML"));
    EXPECT_EQ(parametroRigaComando(riga, u'I'), QStringLiteral("/home/u/dati demo/t.ini"));
    EXPECT_EQ(parametroRigaComando(riga, u'H'), QString());
    // A letter followed by "=" inside a value is not a tag unless a blank comes before it.
    EXPECT_EQ(parametroRigaComando(QStringLiteral("F=a=b H=x"), u'F'), QStringLiteral("a=b"));
}

TEST(RigaComando, shouldQuoteValuesWithBlanksWhenJoiningArguments) {
    const QString riga = rigaComando({QStringLiteral("F=frmFEPassTest"), QStringLiteral("I=/a b/t.ini")});
    EXPECT_EQ(riga, QStringLiteral("F=frmFEPassTest I=\"/a b/t.ini\""));
    EXPECT_EQ(parametroRigaComando(riga, u'I'), QStringLiteral("/a b/t.ini"));
}

TEST(RigaComando, shouldSplitTheProgramValueAtItsFirstBlank) {
    EXPECT_EQ(dividiProgramma(QStringLiteral(" TESEL ")).valore, QStringLiteral("TESEL"));
    EXPECT_EQ(dividiProgramma(QStringLiteral(" TESEL ")).resto, QString());
    EXPECT_EQ(dividiProgramma(QStringLiteral("TESEL  uno due")).resto, QStringLiteral("uno due"));
}
