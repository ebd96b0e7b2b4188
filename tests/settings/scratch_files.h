#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

// A folder of the test's own under the build's test output folder, emptied on the
// test's first call.
inline std::filesystem::path ScratchFolder() {
    static std::string emptiedFor;
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string name = std::string(test->test_suite_name()) + "." + test->name();
    const auto folder = std::filesystem::path(QUIB_TEST_OUTPUT_DIR) / "scratch" / name;
    if (name != emptiedFor) {
        emptiedFor = name;
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
    }
    return folder;
}

inline Bytes ReadFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

inline std::filesystem::path WriteFile(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
}

// Places text into a zero-filled record as a 50-byte field holds it.
inline void PutText(Bytes& record, std::size_t offset, const std::string& text) {
    const std::string kept = text.substr(0, 50);
    std::copy(kept.begin(), kept.end(), record.begin() + static_cast<std::ptrdiff_t>(offset));
}

// A settings record format: saving `filled` gives `record` exactly. Loading `record` with
// another magic and bytes after its end, or cut short over a record of 9s, and saving again
// gives it back; beyond a cut, byte fields keep their 9 and text fields empty, so the byte
// at offset saves as kept(offset). Loading what cannot be read changes nothing, and a
// failed save leaves the old file and no temporary one.
template <typename Record, typename Kept>
void ExpectRecordFormat(const Record& filled, const Bytes& record, std::size_t magicSize, Kept kept) {
    const auto folder = ScratchFolder(), saved = folder / "saved";
    const auto savedBytes = [&](Record source) {
        EXPECT_TRUE(source.Save(saved));
        return ReadFile(saved);
    };
    EXPECT_EQ(savedBytes(filled), record);
    EXPECT_FALSE(std::filesystem::exists(folder / "saved.tmp"));
    Bytes odd = record;
    std::fill_n(odd.begin(), magicSize, std::uint8_t{'X'});
    odd.insert(odd.end(), 100, 0xAB);
    Record loaded;
    EXPECT_TRUE(loaded.Load(WriteFile(folder / "odd", odd)));
    EXPECT_EQ(savedBytes(loaded), record);
    for (std::size_t length = 0; length <= record.size(); ++length) {
        // Cuts at and after every byte field, and a few through the text fields.
        if (length >= 12 && length % 100 > 1 && length < record.size() && !kept(length) && !kept(length - 1)) continue;
        Record cut;
        cut.Load(WriteFile(folder / "nines", Bytes(record.size(), 9)));
        ASSERT_TRUE(cut.Load(WriteFile(folder / "cut", Bytes(record.begin(), record.begin() + std::ptrdiff_t(length)))));
        Bytes expected = record;
        for (std::size_t offset = std::max(length, magicSize); offset < record.size(); ++offset) {
            expected[offset] = kept(offset);
        }
        ASSERT_EQ(savedBytes(cut), expected) << "cut at " << length;
    }
    for (const auto& path : {folder / "absent", folder}) {
        Record unchanged = filled;
        EXPECT_FALSE(unchanged.Load(path)) << path;
        EXPECT_EQ(savedBytes(unchanged), record);
    }
    std::filesystem::create_directories(folder / "place" / "content");  // the rename fails
    EXPECT_FALSE(Record().Save(folder / "place"));
    EXPECT_FALSE(std::filesystem::exists(folder / "place.tmp"));
    std::filesystem::create_directory(folder / "saved.tmp");  // the temporary cannot be made
    EXPECT_FALSE(Record().Save(saved));
    EXPECT_EQ(ReadFile(saved), record);
}
