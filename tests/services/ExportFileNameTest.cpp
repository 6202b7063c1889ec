#include "services/Exporter.h"

#include <gtest/gtest.h>

#include <ctime>
#include <regex>

namespace ombrel {
namespace {

using namespace std::chrono;

constexpr year_month_day march7{year(2024), month(3), day(7)};

std::string name(std::string_view templ, const char* photo, int index = 0, int rating = 0) {
    return Exporter::fileName(templ, photo, index, rating, march7);
}

TEST(ExportFileName, EmptyTemplateGivesTheBaseName) {
    EXPECT_EQ(name("", "/photos/IMG_0001.CR3"), "IMG_0001");
    EXPECT_EQ(name("", "/photos/pano.final.jpg"), "pano.final");
}

TEST(ExportFileName, NumberIsOneBasedAndAtLeastThreeDigits) {
    EXPECT_EQ(name("{name}_{n}", "/photos/IMG_0001.CR3", 0), "IMG_0001_001");
    EXPECT_EQ(name("{name}_{n}", "/photos/IMG_0001.CR3", 41), "IMG_0001_042");
    EXPECT_EQ(name("{name}_{n}", "/photos/IMG_0001.CR3", 999), "IMG_0001_1000");
}

TEST(ExportFileName, EveryOccurrenceOfEachTokenIsReplaced) {
    EXPECT_EQ(name("{n}-{n} {rating}{rating}", "/p/a.jpg", 2, 4), "003-003 44");
}

TEST(ExportFileName, DateIsTheGivenDayZeroPadded) {
    EXPECT_EQ(name("{date}", "/p/a.jpg"), "2024-03-07");
    EXPECT_EQ(Exporter::fileName("{date}", "/p/a.jpg", 0, 0, year_month_day{year(987), month(12), day(31)}),
              "0987-12-31");
}

TEST(ExportFileName, UnratedPhotoGivesZero) { EXPECT_EQ(name("{name}-{rating}", "/p/a.jpg", 0, 0), "a-0"); }

TEST(ExportFileName, SlashesAndColonsBecomeUnderscores) {
    EXPECT_EQ(name("{date}: {name}", "/p/IMG_1.jpg"), "2024-03-07_ IMG_1");
    EXPECT_EQ(name("a/b:c/{name}", "/p/12:30.jpg"), "a_b_c_12_30");
}

TEST(ExportFileName, TokensInThePhotoNameAreReplacedByLaterSteps) {
    EXPECT_EQ(name("{name}", "/p/shot{n}_{date}_{rating}.jpg", 4, 3), "shot005_2024-03-07_3");
    // The name's own "{name}" is not expanded again.
    EXPECT_EQ(name("{name}", "/p/{name}.jpg"), "{name}");
}

TEST(ExportFileName, NothingElseIsTouched) {
    EXPECT_EQ(name("  {name} ({n}) {unknown} \\ ", "/p/a b.jpg"), "  a b (001) {unknown} \\ ");
}

TEST(ExportFileName, TodayIsTheLocalDate) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char expected[16];
    std::strftime(expected, sizeof expected, "%Y-%m-%d", &local);
    const std::string got = Exporter::fileName("{date}", "/p/a.jpg", 0, 0);
    EXPECT_TRUE(std::regex_match(got, std::regex(R"(\d{4}-\d{2}-\d{2})"))) << got;
    EXPECT_EQ(got, expected);  // (fails only if the test straddles midnight)
}

}  // namespace
}  // namespace ombrel
