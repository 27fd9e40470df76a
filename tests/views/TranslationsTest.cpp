#include "views/Translations.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QLocale>
#include <QPushButton>
#include <QTranslator>

using namespace bp;

// Stock dialogs speak Dutch even where the environment asks for no language at all.
TEST(Translations, StockButtonsAreDutchUnderTheCLocale)
{
    ASSERT_NE(QLocale::system().language(), QLocale::Dutch);
    ASSERT_TRUE(Translations::useDutch());
    QDialogButtonBox buttons(QDialogButtonBox::Cancel | QDialogButtonBox::Save);
    EXPECT_EQ(buttons.button(QDialogButtonBox::Cancel)->text(), "Annuleren");
    EXPECT_EQ(buttons.button(QDialogButtonBox::Save)->text(), "Opslaan");
    EXPECT_EQ(QLocale().language(), QLocale::Dutch);
    // The other tests in this process expect Qt as it comes.
    for (QTranslator *translator : qApp->findChildren<QTranslator *>())
        delete translator;
    QLocale::setDefault(QLocale::system());
}
