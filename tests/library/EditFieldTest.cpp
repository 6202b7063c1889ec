#include "library/EditField.h"

#include <gtest/gtest.h>

#include <set>

using namespace ombrel;

// Writing one field changes exactly that field (no two share storage), and
// every field has a key of its own (undo steps coalesce by key).
TEST(EditField, EachFieldHasItsOwnKeyAndStorage) {
    std::vector<EditField> fields;
    for (int i = 0; i <= static_cast<int>(EditField::Scalar::cropAngle); ++i)
        fields.push_back(EditField::scalar(static_cast<EditField::Scalar>(i)));
    for (auto list : {EditField::HslList::hue, EditField::HslList::sat, EditField::HslList::lum})
        for (std::size_t band = 0; band < hslBandCount; ++band) fields.push_back(EditField::hsl(list, band));
    std::set<std::string> keys;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        keys.insert(fields[i].key());
        EditSettings settings;
        fields[i].set(settings, 42.5);
        EXPECT_EQ(fields[i].get(settings), 42.5) << fields[i].key();
        for (std::size_t j = 0; j < fields.size(); ++j) {
            if (j == i) continue;
            EXPECT_EQ(fields[j].get(settings), fields[j].get(EditSettings{})) << fields[j].key();
        }
    }
    EXPECT_EQ(keys.size(), fields.size());
}

TEST(EditField, ReachesTheNamedMembers) {
    EditSettings settings;
    EditField::scalar(EditField::Scalar::sharpRadius).set(settings, 2.0);
    EditField::scalar(EditField::Scalar::cropAngle).set(settings, -3.0);
    EditField::hsl(EditField::HslList::lum, 7).set(settings, 15.0);
    EXPECT_EQ(settings.sharpRadius, 2.0);
    EXPECT_EQ(settings.crop.angle, -3.0);
    EXPECT_EQ(settings.hsl.lum[7], 15.0);
}
