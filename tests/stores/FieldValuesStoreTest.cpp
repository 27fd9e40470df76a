#include "stores/FieldValuesStore.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

using namespace bp;

TEST(FieldValuesStoreTest, EachTemplateKeepsItsOwnValuesAndAnUnreadableValueIsKeptAside)
{
    QTemporaryDir dir;
    PreferenceSuite suite(PreferenceSuite::standardName, dir.path());
    ASSERT_TRUE(suite.setString(FieldValuesStore::key, "not an object").ok());
    const QUuid a = QUuid::createUuid();
    const QUuid b = QUuid::createUuid();
    const QHash<QString, QString> nike{{"klant", "Nike"}, {"job", "007"}};

    ASSERT_TRUE(test::await(FieldValuesStore::rememberLater(suite, a, nike)).ok());
    EXPECT_EQ(QDir(dir.path()).entryList({"*.fieldValues.corrupt-*"}).size(), 1);
    ASSERT_TRUE(test::await(FieldValuesStore::rememberLater(suite, b, {{"klant", "Puma"}})).ok());
    EXPECT_EQ(FieldValuesStore::values(suite, a), nike);
    ASSERT_TRUE(test::await(FieldValuesStore::rememberLater(suite, a, {{"klant", "Adidas"}})).ok());
    EXPECT_EQ(FieldValuesStore::values(suite, a), (QHash<QString, QString>{{"klant", "Adidas"}}));
    EXPECT_EQ(FieldValuesStore::values(suite, b), (QHash<QString, QString>{{"klant", "Puma"}}));
    EXPECT_TRUE(FieldValuesStore::values(suite, QUuid::createUuid()).isEmpty());
}
