#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "settings/StoredRecords.h"

namespace kelvra {
namespace {

using nlohmann::json;

template <class T>
std::optional<T> decode(const std::string& text) {
    return decodeStoredJson<T>(port::Data(text.begin(), text.end()));
}

template <class T>
json encode(const T& value) {
    auto data = encodeStoredJson(value);
    EXPECT_TRUE(data);
    return json::parse(data->begin(), data->end());
}

const Uuid kId = *Uuid::parse("6b29fc40-ca47-1067-b31d-00dd010662da");
const Uuid kLayout = *Uuid::parse("16FD2706-8BAF-433B-82EB-8C7FADA847DA");

TEST(RecordJson, KeyComboNeedsTwoUnsignedIntegers) {
    auto table = decode<ShortcutTable>(R"({"a":{"keyCode":4,"carbonModifiers":6144}})");
    ASSERT_TRUE(table);
    EXPECT_EQ(table->at("a"), (KeyCombo{4, 6144}));
    EXPECT_EQ(encode(*table), json::parse(R"({"a":{"keyCode":4,"carbonModifiers":6144}})"));
    for (const char* bad : {R"({"a":{"keyCode":4}})", R"({"a":{"keyCode":-1,"carbonModifiers":0}})",
                            R"({"a":{"keyCode":4294967296,"carbonModifiers":0}})",
                            R"({"a":{"keyCode":"4","carbonModifiers":0}})",
                            R"({"a":{"keyCode":1.5,"carbonModifiers":0}})", R"([])", "null"}) {
        EXPECT_FALSE(decode<ShortcutTable>(bad)) << bad;
    }
}

TEST(RecordJson, CustomLayoutRequiresEveryMemberAndWritesUpperCaseIds) {
    const std::string good =
        R"([{"id":"6b29fc40-ca47-1067-b31d-00dd010662da","name":"Grid","columns":3,"rows":2,)"
        R"("zones":[{"col":0,"row":0,"colSpan":2,"rowSpan":1}]}])";
    auto layouts = decode<std::vector<CustomLayout>>(good);
    ASSERT_EQ(layouts, (std::vector<CustomLayout>{{kId, "Grid", 3, 2, {{0, 0, 2, 1}}}}));
    auto out = encode(*layouts);
    EXPECT_EQ(out[0]["id"], "6B29FC40-CA47-1067-B31D-00DD010662DA");
    EXPECT_EQ(decode<std::vector<CustomLayout>>(out.dump()), layouts);

    for (const char* member : {"id", "name", "columns", "rows", "zones"}) {
        json broken = json::parse(good);
        broken[0].erase(member);
        EXPECT_FALSE(decode<std::vector<CustomLayout>>(broken.dump())) << "missing " << member;
        broken[0][member] = nullptr;
        EXPECT_FALSE(decode<std::vector<CustomLayout>>(broken.dump())) << "null " << member;
    }
    for (auto [pointer, value] : {std::pair{"/0/zones/0/rowSpan", "1"}, {"/0/id", "not-a-uuid"}}) {
        json bad = json::parse(good);
        bad[json::json_pointer(pointer)] = value;
        EXPECT_FALSE(decode<std::vector<CustomLayout>>(bad.dump())) << pointer;
    }
}

TEST(RecordJson, WorkspaceItemOmitsAbsentOptionalsAndReadsNullAsAbsent) {
    Workspace w{kId,
                "Desk",
                {{"org.a", "A", std::nullopt, std::nullopt, 1, 2, 3, 4, 1},
                 {"org.b", "", std::string(""), ZoneID::leftHalf, 0.5, 0, 10, 10, 0}}};
    auto out = encode(std::vector<Workspace>{w});
    EXPECT_FALSE(out[0]["items"][0].contains("title") || out[0]["items"][0].contains("zone"));
    EXPECT_EQ(out[0]["items"][1]["title"], "");  // empty differs from absent
    EXPECT_EQ(out[0]["items"][1]["zone"], "leftHalf");
    EXPECT_EQ(decode<std::vector<Workspace>>(out.dump()), std::vector<Workspace>{w});

    json withNulls = out;
    withNulls[0]["items"][1]["title"] = nullptr;
    withNulls[0]["items"][1]["zone"] = nullptr;
    auto read = decode<std::vector<Workspace>>(withNulls.dump());
    ASSERT_TRUE(read);
    EXPECT_FALSE(read->at(0).items[1].title || read->at(0).items[1].zone);

    for (auto [member, value] : std::vector<std::pair<const char*, json>>{
             {"zone", "leftQuarter"}, {"displayIndex", 1.5}, {"x", nullptr}}) {
        json bad = out;
        value.is_null() ? void(bad[0]["items"][1].erase(member))
                        : void(bad[0]["items"][1][member] = value);
        EXPECT_FALSE(decode<std::vector<Workspace>>(bad.dump())) << member;
    }
}

TEST(RecordJson, PlacementRuleRawStringsAndOptionalTargets) {
    const PlacementRule r{kId,
                          "org.a",
                          "A",
                          std::nullopt,
                          kLayout,
                          2,
                          PlacementRule::Trigger::newWindow,
                          PlacementRule::DisplayTarget::external,
                          false};
    auto out = encode(std::vector<PlacementRule>{r});
    EXPECT_EQ(out[0], json::parse(R"({"id":"6B29FC40-CA47-1067-B31D-00DD010662DA",
        "bundleID":"org.a","appName":"A","customLayoutID":"16FD2706-8BAF-433B-82EB-8C7FADA847DA",
        "customZoneIndex":2,"trigger":"newWindow","display":"external","enabled":false})"));
    EXPECT_EQ(decode<std::vector<PlacementRule>>(out.dump()), std::vector<PlacementRule>{r});

    json nulls = out;
    nulls[0]["zone"] = nullptr;
    nulls[0]["customLayoutID"] = nullptr;
    nulls[0].erase("customZoneIndex");
    auto read = decode<std::vector<PlacementRule>>(nulls.dump());
    ASSERT_TRUE(read);
    EXPECT_FALSE(read->at(0).customLayoutID || read->at(0).customZoneIndex || read->at(0).zone);

    for (auto [member, value] :
         std::vector<std::pair<const char*, json>>{{"trigger", "onLaunch"},
                                                   {"display", "Builtin"},
                                                   {"zone", "nowhere"},
                                                   {"enabled", 1},
                                                   {"customZoneIndex", "2"}}) {
        json bad = out;
        bad[0][member] = value;
        EXPECT_FALSE(decode<std::vector<PlacementRule>>(bad.dump())) << member;
    }
    json missing = out;
    missing[0].erase("enabled");
    EXPECT_FALSE(decode<std::vector<PlacementRule>>(missing.dump()));
}

// Excluded applications need both strings; hostile data is rejected without crashing.
TEST(RecordJson, ExcludedAppNeedsBothStringsAndHostileDataIsRejected) {
    EXPECT_EQ(decode<std::vector<ExcludedApp>>(R"([{"bundleID":"a","name":"A","extra":1}])"),
              (std::vector<ExcludedApp>{{"a", "A"}}));
    for (const std::string& bad :
         {std::string(R"([{"bundleID":"a"}])"), std::string(R"([{"bundleID":"a","name":null}])"),
          std::string(R"({"bundleID":"a","name":"A"})"), std::string(200000, '['), std::string(),
          std::string("[\"\xff\"]"), "[" + std::string(maxStoredJsonSize, ' ') + "]"}) {
        EXPECT_FALSE(decode<std::vector<ExcludedApp>>(bad)) << bad.substr(0, 40);
    }
}

}  // namespace
}  // namespace kelvra
