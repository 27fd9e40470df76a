#include "stores/CustomTemplateStore.h"
#include "stores/TemplateEquality.h"

#include <gtest/gtest.h>

#include <QTimeZone>

using namespace bp;
namespace Json = bp::CustomTemplateJson;

namespace {

QDateTime since2001(qint64 ms)
{
    return QDateTime(QDate(2001, 1, 1), QTime(0, 0), QTimeZone::utc()).addMSecs(ms);
}

CustomFolderNode folder(const char *id, const QString &name, QList<CustomFolderNode> children = {})
{
    return {QUuid::fromString(QLatin1String(id)), name, std::move(children)};
}

const char *const uuidA = "0f8fad5b-d9cb-469f-a165-70867728950e";
const char *const uuidB = "7c9e6679-7425-40de-944b-e07fc1f90ae7";
const char *const uuidC = "00000000-0000-0000-0000-000000000000";

QList<CustomTemplate> fixture()
{
    return {
        {QUuid::fromString(QLatin1String(uuidA)),
         "Shoot \"A\"\\B/C\nZoë",
         "star.fill",
         {folder(uuidB, "01_Footage", {folder(uuidC, "A-Cam")}), folder(uuidC, "02_Audio")},
         since2001(786000000123)},
        {QUuid::fromString(QLatin1String(uuidB)), "", "heart", {}, since2001(-750)},
        {QUuid::fromString(QLatin1String(uuidC)), "Tab\t", "x", {}, since2001(10000)},
    };
}

const QByteArray fixtureJson =
    R"([{"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","name":"Shoot \"A\"\\B/C\nZoë",)"
    R"("icon":"star.fill","roots":[{"id":"7C9E6679-7425-40DE-944B-E07FC1F90AE7",)"
    R"("name":"01_Footage","children":[{"id":"00000000-0000-0000-0000-000000000000",)"
    R"("name":"A-Cam","children":[]}]},{"id":"00000000-0000-0000-0000-000000000000",)"
    R"("name":"02_Audio","children":[]}],"createdAt":786000000.123},)"
    R"({"id":"7C9E6679-7425-40DE-944B-E07FC1F90AE7","name":"","icon":"heart","roots":[],)"
    R"("createdAt":-0.75},{"id":"00000000-0000-0000-0000-000000000000","name":"Tab\t",)"
    R"("icon":"x","roots":[],"createdAt":10}])";

TEST(CustomTemplateJson, EncodesExactlyAndDecodesBack)
{
    EXPECT_EQ(Json::encode({}), "[]");
    EXPECT_EQ(Json::encode(fixture()), fixtureJson);
    const auto decoded = Json::decode(fixtureJson);
    ASSERT_TRUE(decoded.ok()) << decoded.error().message.toStdString();
    EXPECT_EQ(decoded.value(), fixture());

    const CustomTemplate shortFraction{{}, "", "", {}, since2001(5)};
    EXPECT_EQ(Json::decode(Json::encode({shortFraction})).value(), QList{shortFraction});
}

// A chain of folders `depth` levels deep inside one template.
QByteArray chain(int depth)
{
    QByteArray json = R"([{"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","name":"n","icon":"i",)"
                      R"("createdAt":0,"roots":)";
    for (int i = 0; i < depth; ++i)
        json += R"([{"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","name":"d","children":)";
    json += "[]";
    for (int i = 0; i < depth; ++i)
        json += "}]";
    return json + "}]";
}

TEST(CustomTemplateJson, DepthIsBoundedWithoutCrashing)
{
    EXPECT_TRUE(Json::decode(chain(Json::maxFolderDepth)).ok());
    const auto tooDeep = Json::decode(chain(Json::maxFolderDepth + 1));
    ASSERT_FALSE(tooDeep.ok());
    EXPECT_TRUE(tooDeep.error().message.contains("deeper than 256"));
    EXPECT_FALSE(Json::decode(chain(10000)).ok());

    CustomTemplate flat{QUuid::createUuid(), "flat", "i", {}, since2001(0)};
    for (int i = 0; i < 100000; ++i)
        flat.roots.append({QUuid::createUuid(), QString::number(i), {}});
    const auto decoded = Json::decode(Json::encode({flat}));
    ASSERT_TRUE(decoded.ok());
    EXPECT_EQ(decoded.value(), QList<CustomTemplate>{flat});
}

TEST(CustomTemplateJson, ChecksFoldersTheWayDecodingDoes)
{
    QList<CustomFolderNode> roots{folder(uuidA, "ok")};
    CustomFolderNode *deepest = &roots.first();
    for (int level = 2; level <= Json::maxFolderDepth; ++level) {
        deepest->children.append(folder(uuidA, "ok"));
        deepest = &deepest->children.first();
    }
    EXPECT_TRUE(Json::checkFolders(roots).ok());
    deepest->children.append(folder(uuidA, "ok"));
    EXPECT_FALSE(Json::checkFolders(roots).ok());
    EXPECT_FALSE(Json::checkFolders({folder(uuidA, "ok", {folder(uuidA, "..")})}).ok());
}

struct Accepted {
    const char *label;
    QByteArray json;
    QString name;
};

class CustomTemplateJsonAccepts : public testing::TestWithParam<Accepted> {};

TEST_P(CustomTemplateJsonAccepts, ReadsTheSameTemplate)
{
    const auto decoded = Json::decode(GetParam().json);
    ASSERT_TRUE(decoded.ok()) << decoded.error().message.toStdString();
    ASSERT_EQ(decoded.value().size(), 1);
    const CustomTemplate &t = decoded.value().first();
    EXPECT_EQ(t.id, QUuid::fromString(QLatin1String(uuidA)));
    EXPECT_EQ(t.name, GetParam().name);
    EXPECT_EQ(t.createdAt, since2001(1500));
    ASSERT_EQ(t.roots.size(), 1);
    EXPECT_EQ(t.roots.first(), folder(uuidB, "F"));
}

INSTANTIATE_TEST_SUITE_P(
    Variants, CustomTemplateJsonAccepts,
    testing::Values(
        Accepted{"lowerCaseIds",
                 R"([{"id":"0f8fad5b-d9cb-469f-a165-70867728950e","name":"n","icon":"i",)"
                 R"("roots":[{"id":"7c9e6679-7425-40de-944b-e07fc1f90ae7","name":"F",)"
                 R"("children":[]}],"createdAt":1.5}])",
                 "n"},
        Accepted{"anyKeyOrderAndWhitespace",
                 "[ {\"createdAt\" : 1.5e0, \"roots\":[{\"children\":[],\"name\":\"F\",\n"
                 "\"id\":\"7C9E6679-7425-40DE-944B-E07FC1F90AE7\"}], \"icon\":\"i\","
                 "\"name\":\"n\", \"id\":\"0F8FAD5B-D9CB-469F-A165-70867728950E\"} ]",
                 "n"},
        Accepted{"unknownKeysAndEscapedSlash",
                 R"([{"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","name":"AC\/DC","icon":"i",)"
                 R"("extra":{"x":[1]},"roots":[{"id":"7C9E6679-7425-40DE-944B-E07FC1F90AE7",)"
                 R"("name":"F","children":[],"color":null}],"createdAt":1.5}])",
                 "AC/DC"}),
    [](const auto &info) { return std::string(info.param.label); });

struct Rejected {
    const char *label;
    QByteArray json;
    const char *message; // part of the error text that tells the user what is wrong
};

class CustomTemplateJsonRejects : public testing::TestWithParam<Rejected> {};

TEST_P(CustomTemplateJsonRejects, FailsTheWholeDocument)
{
    const auto decoded = Json::decode(GetParam().json);
    ASSERT_FALSE(decoded.ok());
    EXPECT_TRUE(decoded.error().message.contains(QString::fromUtf8(GetParam().message)))
        << decoded.error().message.toStdString();
}

using Fields = QList<std::pair<QByteArray, QByteArray>>;

// A JSON object of the fields, with `key` replaced by `value`, or left out when value is null.
QByteArray object(const Fields &fields, const char *key, const char *value)
{
    QByteArray out = "{";
    for (const auto &[name, json] : fields) {
        if (key && name == key && !value)
            continue;
        out += (out.size() > 1 ? ",\"" : "\"") + name + "\":";
        out += key && name == key ? QByteArray(value) : json;
    }
    return out + "}";
}

// A valid template followed by template 2 ("T"), whose own key or whose folder
// roots[0].children[0] has one key changed.
QByteArray doc(const char *templateKey, const char *templateValue, const char *folderKey = nullptr,
               const char *folderValue = nullptr)
{
    const QByteArray id = R"("7C9E6679-7425-40DE-944B-E07FC1F90AE7")";
    const QByteArray inner =
        object({{"id", id}, {"name", "\"G\""}, {"children", "[]"}}, folderKey, folderValue);
    const QByteArray root =
        object({{"id", id}, {"name", "\"F\""}, {"children", "[" + inner + "]"}}, nullptr, nullptr);
    const Fields fields{{"id", R"("0F8FAD5B-D9CB-469F-A165-70867728950E")"},
                        {"name", "\"T\""},
                        {"icon", "\"i\""},
                        {"roots", "[" + root + "]"},
                        {"createdAt", "0"}};
    return "[" + object(fields, nullptr, nullptr) + "," +
           object(fields, templateKey, templateValue) + "]";
}

QByteArray folderDoc(const char *key, const char *value)
{
    return doc(nullptr, nullptr, key, value);
}

INSTANTIATE_TEST_SUITE_P(
    Documents, CustomTemplateJsonRejects,
    testing::Values(
        Rejected{"notJson", "hello", "not valid JSON"},
        Rejected{"truncated", doc(nullptr, nullptr).chopped(3), "not valid JSON"},
        Rejected{"notArray", R"({"templates":[]})", "expected an array"},
        Rejected{"elementNotObject", "[1]", "template 1 is not an object"},
        Rejected{"missingId", doc("id", nullptr), R"(template 2 ("T"): key "id" is missing)"},
        Rejected{"missingName", doc("name", nullptr), R"(template 2: key "name" is missing)"},
        Rejected{"missingIcon", doc("icon", nullptr), R"(key "icon" is missing)"},
        Rejected{"missingRoots", doc("roots", nullptr), R"(key "roots" is missing)"},
        Rejected{"missingCreatedAt", doc("createdAt", nullptr), R"(key "createdAt" is missing)"},
        Rejected{"idNumber", doc("id", "1"), R"(key "id" must be a string)"},
        Rejected{"nameNull", doc("name", "null"), R"(key "name" must be a string)"},
        Rejected{"iconArray", doc("icon", "[]"), R"(key "icon" must be a string)"},
        Rejected{"nameLoneSurrogate", doc("name", R"("a\udc00")"),
                 R"(template 2: key "name" is not valid Unicode text)"},
        Rejected{"folderNameLoneSurrogate", folderDoc("name", R"("\ud83d")"), "not valid Unicode"},
        Rejected{"rootsObject", doc("roots", "{}"), R"(key "roots" must be an array)"},
        Rejected{"createdAtString", doc("createdAt", "\"0\""), R"("createdAt" must be a number)"},
        Rejected{"createdAtHuge", doc("createdAt", "1e300"), R"("createdAt" is out of range)"},
        Rejected{"idBraces", doc("id", R"("{0F8FAD5B-D9CB-469F-A165-70867728950E}")"),
                 R"(key "id" is not a valid UUID)"},
        Rejected{"idNotHex", doc("id", R"("0F8FAD5B-D9CB-469F-A165-70867728950G")"),
                 R"(key "id" is not a valid UUID)"},
        Rejected{"idShort", doc("id", R"("0F8FAD5B-D9CB-469F-A165")"), "not a valid UUID"},
        Rejected{"folderNotObject", doc("roots", "[\"x\"]"),
                 R"(template 2 ("T"), folder roots[0] is not an object)"},
        Rejected{"folderMissingId", folderDoc("id", nullptr),
                 R"(folder roots[0].children[0]: key "id" is missing)"},
        Rejected{"folderMissingName", folderDoc("name", nullptr), R"(key "name" is missing)"},
        Rejected{"folderMissingChildren", folderDoc("children", nullptr),
                 R"(key "children" is missing)"},
        Rejected{"folderChildrenString", folderDoc("children", "\"\""),
                 R"(key "children" must be an array)"},
        Rejected{"folderBadId", folderDoc("id", "\"XXXX\""), R"(key "id" is not a valid UUID)"},
        Rejected{"folderNameEmpty", folderDoc("name", "\"\""), "folder name is empty"},
        Rejected{"folderNameDot", folderDoc("name", "\".\""), R"(folder name "." is not allowed)"},
        Rejected{"folderNameDotDot", folderDoc("name", "\"..\""), R"(".." is not allowed)"},
        Rejected{"folderNameSlash", folderDoc("name", R"("a\/b")"), R"(must not contain "/")"},
        Rejected{"folderNameNul", folderDoc("name", R"("a\u0000b")"), "NUL character"}),
    [](const auto &info) { return std::string(info.param.label); });

} // namespace

namespace {

// Template 2 of doc() with the new keys after createdAt.
QByteArray withNewKeys(const QByteArray &keys)
{
    return doc("createdAt", QByteArray("0," + keys).constData());
}

TEST(CustomTemplateJson, NewKeysAreOptionalAndCarriedBothWays)
{
    EXPECT_EQ(Json::encode(Json::decode(fixtureJson).value()), fixtureJson);

    const QByteArray fields =
        R"("fields":[{"key":"klant","label":"Klant","kind":"text","required":true,)"
        R"("default":"","pattern":"[A-Z]+"},{"key":"shoot","label":"","kind":"date",)"
        R"("required":false,"default":"2026-03-05","format":"D MMM"},{"key":"s","label":"S",)"
        R"("kind":"choice","required":false,"default":"","choices":["Zomer","Winter"]},)"
        R"({"key":"job","label":"Job","kind":"number","required":false,"default":"7"}])";
    const QByteArray full = withNewKeys(R"("projectNamePattern":"{teller}_{{{klant}}}",)" + fields);
    const auto decoded = Json::decode(full);
    ASSERT_TRUE(decoded.ok()) << decoded.error().message.toStdString();
    const CustomTemplate &t = decoded.value().at(1);
    EXPECT_EQ(t.projectNamePattern, "{teller}_{{{klant}}}");
    ASSERT_EQ(t.fields.size(), 4);
    EXPECT_EQ(t.fields.at(2).choices, QStringList({"Zomer", "Winter"}));
    EXPECT_EQ(Json::encode(decoded.value()), full);

    const struct {
        QByteArray keys;
        const char *message;
    } rejected[]{
        {R"("projectNamePattern":1)", R"(key "projectNamePattern" must be a string)"},
        {R"("projectNamePattern":"{naam")", R"("projectNamePattern": "{" at position 1)"},
        {R"("fields":{})", R"(key "fields" must be an array)"},
        {R"("fields":[1])", R"(template 2 ("T"), field 1 is not an object)"},
        {R"("fields":[{"key":"k","label":"","kind":"text","default":""}])",
         R"(field 1: key "required" is missing)"},
        {R"("fields":[{"key":"k","label":"","kind":"tekst","required":true,"default":""}])",
         R"(key "kind" is not one of)"},
        {R"("fields":[{"key":"k","label":"","kind":"choice","required":true,"default":""}])",
         R"(key "choices" is missing)"},
        {R"("fields":[{"key":"k","label":"","kind":"choice","required":true,"default":"",)"
         R"("choices":[null]}])",
         R"(key "choices" must be an array of strings)"},
        {R"("fields":[{"key":"k","label":"","kind":"text","required":true,"default":"",)"
         R"("pattern":"("}])",
         R"(field "k": invalid regular expression)"},
        {R"("fields":[{"key":"datum","label":"","kind":"date","required":true,"default":""}])",
         R"(template 2 ("T"): field "datum": the key is a built-in token)"},
    };
    for (const auto &row : rejected) {
        const QByteArray json = withNewKeys(row.keys);
        const auto failed = Json::decode(json);
        ASSERT_FALSE(failed.ok()) << row.keys.toStdString();
        EXPECT_TRUE(failed.error().message.contains(QString::fromUtf8(row.message)))
            << failed.error().message.toStdString();
        // Read one by one, the other template still loads.
        const Json::Salvaged salvaged = Json::decodeEach(json);
        EXPECT_EQ(salvaged.templates.size(), 1);
        EXPECT_EQ(salvaged.problems.size(), 1);
    }
}

TEST(CustomTemplateJson, FilesAreCarriedAfterTheChildrenAndNeverPointOutside)
{
    const auto withFiles = [](const QByteArray &files) {
        return doc(nullptr, nullptr)
            .replace(R"("name":"G","children":[])", R"("name":"G","children":[],"files":)" + files);
    };
    const QByteArray files =
        R"([{"name":"Brief {klant}.txt","source":"docs/brief.txt","render":true},)"
        R"({"name":"logo.png","source":"logo.png","render":false}])";
    const auto decoded = Json::decode(withFiles(files));
    ASSERT_TRUE(decoded.ok()) << decoded.error().message.toStdString();
    const TemplateFile expected{"Brief {klant}.txt", "docs/brief.txt", true};
    EXPECT_EQ(decoded.value().at(1).roots.at(0).children.at(0).files.at(0), expected);
    EXPECT_EQ(Json::encode(decoded.value()), withFiles(files));

    for (const char *bad :
         {R"([{"name":"a","source":"../x"}])", R"([{"name":"a","source":"/etc/x"}])",
          R"([{"name":"a","source":"d/../../x"}])", R"([{"name":"a/b","source":"a"}])",
          R"([{"name":"a"}])", R"({})"}) {
        EXPECT_FALSE(Json::decode(withFiles(bad)).ok()) << bad;
    }
    // What a store refuses to put: a file the editor has not stored yet.
    CustomTemplate t = decoded.value().at(1);
    t.roots[0].files = {{"a", "/home/u/a.txt", false}};
    EXPECT_FALSE(Json::checkFolders(t.roots).ok());
}

} // namespace
