#include "io/data_file.h"

#include "io/codepage1251.h"

#include <gtest/gtest.h>

#include <bit>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>
#include <vector>

namespace spi {
namespace {

namespace fs = std::filesystem;

// Every parameter the file stores, plus channelEntered; doubles by their bits so that NaN and
// -0.0 compare exactly.
struct Params {
    std::vector<std::uint64_t> reals;
    std::vector<std::int64_t> ints;
    std::string genPolyText, innerPolyList;
    bool operator==(const Params &) const = default;
};

Params Snapshot(const ModelState &m) {
    Params p;
    for (const double d :
         {m.probOne, m.modMd, m.contQ, m.contHp, m.contHc, m.ruThreshold1, m.ruThreshold2})
        p.reals.push_back(std::bit_cast<std::uint64_t>(d));
    for (const double d : m.discParams)
        p.reals.push_back(std::bit_cast<std::uint64_t>(d));
    for (const double d : m.breakParams)
        p.reals.push_back(std::bit_cast<std::uint64_t>(d));
    for (const std::int64_t i :
         {std::int64_t{m.contM}, std::int64_t{m.demodDm}, std::int64_t{m.codeType},
          std::int64_t{m.codeN}, std::int64_t{m.codeK}, std::int64_t{m.convN0},
          std::int64_t{m.convK0}, std::int64_t{m.genPolyTermCount}, std::int64_t{m.codeT},
          std::int64_t{m.ilvA}, std::int64_t{m.ilvC}, std::int64_t{m.ilvL},
          std::int64_t{m.ruCriterion}, std::int64_t{m.channelEntered}})
        p.ints.push_back(i);
    for (const auto b : m.polyNumbers)
        p.ints.push_back(b);
    p.genPolyText = m.genPolyText;
    p.innerPolyList = m.innerPolyList;
    return p;
}

std::string Repeat(const std::string &s, int times) {
    std::string out;
    for (int i = 0; i < times; ++i)
        out += s;
    return out;
}

// A model in which every stored field differs from its default.
void FillEveryField(ModelState &m) {
    m.probOne = 0.125;
    m.modMd = -0.0;
    m.contQ = 1e-300;
    m.contHp = 4.9e-324;
    m.contHc = -7.25;
    m.ruThreshold1 = 3.3;
    m.ruThreshold2 = 0.66;
    m.contM = -5;
    m.demodDm = 2;
    for (std::size_t i = 0; i < m.discParams.size(); ++i)
        m.discParams[i] = 0.01 * (i + 1);
    for (std::size_t i = 0; i < m.breakParams.size(); ++i)
        m.breakParams[i] = 100.5 + i;
    m.genPolyText = "0,3,19,52,78";
    m.innerPolyList = "12,34";
    m.codeType = 9;
    m.codeN = 2100;
    m.codeK = -1;
    m.convN0 = 2;
    m.convK0 = 1;
    m.genPolyTermCount = 5;
    m.codeT = 7;
    m.polyNumbers = {1, 2, 3, 170, 255, 0, 7, 8};
    m.ilvA = 1;
    m.ilvC = 40;
    m.ilvL = 10;
    m.ruCriterion = -2;
}

class DataFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto *info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = fs::temp_directory_path() /
              ("spi_report_" + std::string(info->name()) + "_" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(dir, ec);
    }
    std::string PathOf(const std::string &name) const { return (dir / name).string(); }
    static std::vector<std::uint8_t> ReadBytes(const std::string &path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    static void WriteBytes(const std::string &path, const std::vector<std::uint8_t> &bytes) {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char *>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    }
    // A valid record of the default model, for tests that then spoil one part of it.
    std::vector<std::uint8_t> DefaultRecord() {
        const auto r = EncodeDataRecord(*spi::MakeModel(), silent);
        return {r->begin(), r->end()};
    }
    fs::path dir;
    SilentNotifier silent;
};

TEST_F(DataFileTest, DefaultModelRecordIsPinnedByteForByte) {
    auto m = spi::MakeModel();
    RecordingNotifier n;
    ASSERT_TRUE(SaveDataFile(*m, PathOf("var1.dat"), n));
    const auto r = ReadBytes(PathOf("var1.dat"));
    ASSERT_EQ(r.size(), 540u);
    EXPECT_TRUE(n.entries.empty());

    std::vector<std::uint8_t> expected(540, 0);
    const auto put = [&](std::size_t at, std::initializer_list<std::uint8_t> bytes) {
        std::copy(bytes.begin(), bytes.end(), expected.begin() + at);
    };
    put(0, {0, 0, 0, 0, 0, 0, 0xE0, 0x3F});                             // probOne 0.5
    put(8, {0, 0, 0, 0, 0, 0, 0xE0, 0x3F});                             // modMd 0.5
    put(16, {0x7B, 0x14, 0xAE, 0x47, 0xE1, 0x7A, 0x84, 0x3F});          // contQ 0.01
    put(24, {0, 0, 0, 0, 0, 0, 0x08, 0x40});                            // contHp 3.0
    put(40, {0, 0, 0, 0, 0, 0, 0x08, 0x40});                            // ruThreshold1 3.0
    put(48, {0x33, 0x33, 0x33, 0x33, 0x33, 0x33, 0xE3, 0x3F});          // ruThreshold2 0.6
    put(56, {1, 0, 0, 0});                                              // contM
    put(60, {1, 0, 0, 0});                                              // demodDm
    put(184 + 2 * 8, {0, 0, 0, 0, 0, 0, 0xF0, 0x3F});                   // E4 1.0
    put(184 + 3 * 8, {0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0xE6, 0x3F}); // P4 0.7
    put(184 + 4 * 8, {0x33, 0x33, 0x33, 0x33, 0x33, 0x33, 0xD3, 0x3F}); // P5 0.3
    put(184 + 5 * 8, {0, 0, 0, 0, 0, 0, 0x14, 0x40});                   // B1 5.0
    put(184 + 6 * 8, {0, 0, 0, 0, 0, 0x40, 0x9F, 0x40});                // B2 2000.0
    put(184 + 7 * 8, {0, 0, 0, 0, 0, 0x80, 0x76, 0x40});                // TM 360.0
    put(249, {'3', '5', '~'});
    put(480, {5, 0});                               // codeType
    put(484, {7, 0, 0, 0});                         // codeN
    put(488, {3, 0, 0, 0});                         // codeK
    put(504, {1, 0, 0, 0});                         // codeT
    put(516, {1, 0, 0, 0});                         // ilvA
    put(520, {1, 0, 0, 0});                         // ilvC
    put(524, {1, 0, 0, 0});                         // ilvL
    put(532, {0, 0, 0, 0, 0x30, 0x0F, 0xFE, 0x40}); // 123123.0
    EXPECT_EQ(r, expected);
}

TEST_F(DataFileTest, SaveThenOpenRestoresEveryStoredField) {
    auto saved = spi::MakeModel();
    FillEveryField(*saved);
    ASSERT_TRUE(SaveDataFile(*saved, PathOf("all.dat"), silent));

    auto m = spi::MakeModel();
    std::vector<std::string> steps;
    DataFileHooks hooks;
    hooks.clearCoderButtons = [&] {
        steps.push_back("clear");
        EXPECT_EQ(m->genPolyText, "35"); // nothing applied yet
    };
    hooks.afterLoad = [&] {
        steps.push_back("after");
        EXPECT_EQ(m->genPolyText, saved->genPolyText);
        EXPECT_EQ(m->channelEntered, 0);
    };
    RecordingNotifier n;
    ASSERT_TRUE(OpenDataFile(*m, PathOf("all.dat"), n, hooks));
    EXPECT_EQ(steps, (std::vector<std::string>{"clear", "after"}));
    ASSERT_EQ(n.entries.size(), 1u);
    EXPECT_EQ(n.entries[0].kind, MessageKind::Warning);
    EXPECT_EQ(n.entries[0].text, "Чтение завершено успешно.");
    saved->channelEntered = 1;
    EXPECT_EQ(Snapshot(*m), Snapshot(*saved));

    // Saving what was read gives the same bytes again.
    ASSERT_TRUE(SaveDataFile(*m, PathOf("again.dat"), silent));
    EXPECT_EQ(ReadBytes(PathOf("again.dat")), ReadBytes(PathOf("all.dat")));
}

TEST_F(DataFileTest, TextsRoundTripAtTheirLimits) {
    const std::string longest = Repeat("7ж", 99) + "7";
    const struct {
        std::string genPoly, inner;
    } cases[] = {{"", ""}, {longest, "1,2,3,4,5,6,7,8,9,10,11,12,134"}, {"нет", "№«»—"}};
    for (const auto &c : cases) {
        auto saved = spi::MakeModel();
        saved->genPolyText = c.genPoly;
        saved->innerPolyList = c.inner;
        ASSERT_TRUE(SaveDataFile(*saved, PathOf("t.dat"), silent)) << c.genPoly;
        const auto r = ReadBytes(PathOf("t.dat"));
        const std::size_t len = Utf8ToCp1251(c.genPoly)->size();
        EXPECT_EQ(r[249 + len], '~');
        EXPECT_EQ(r[449], Utf8ToCp1251(c.inner)->size());

        auto m = spi::MakeModel();
        ASSERT_TRUE(OpenDataFile(*m, PathOf("t.dat"), silent));
        EXPECT_EQ(m->genPolyText, c.genPoly);
        EXPECT_EQ(m->innerPolyList, c.inner);
    }
    const auto r = ReadBytes(PathOf("t.dat"));
    EXPECT_EQ(std::vector<std::uint8_t>(r.begin() + 249, r.begin() + 253),
              (std::vector<std::uint8_t>{0xED, 0xE5, 0xF2, '~'}));
}

TEST_F(DataFileTest, BadFilesAreRefusedAndTheModelStaysAsItWas) {
    auto spoiled = [&](auto change) {
        auto r = DefaultRecord();
        r[251] = '7'; // a g(x) that differs from the model's, so a half-read would show
        change(r);
        return r;
    };
    const struct {
        const char *name;
        std::vector<std::uint8_t> bytes;
        bool write;
        MessageKind kind;
    } cases[] = {
        {"missing", {}, false, MessageKind::Error},
        {"empty", {}, true, MessageKind::Error},
        {"short", spoiled([](auto &r) { r.resize(539); }), true, MessageKind::Error},
        {"signature", spoiled([](auto &r) { r[532] = 1; }), true, MessageKind::Warning},
        {"negative signature", spoiled([](auto &r) { r[539] |= 0x80; }), true,
         MessageKind::Warning},
        {"0x98 in g(x)", spoiled([](auto &r) { r[250] = 0x98; }), true, MessageKind::Error},
        {"0x98 in inner list", spoiled([](auto &r) { r[449] = 1, r[450] = 0x98; }), true,
         MessageKind::Error},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const auto path = PathOf("bad.dat");
        fs::remove(path);
        if (c.write)
            WriteBytes(path, c.bytes);
        auto m = spi::MakeModel();
        FillEveryField(*m);
        const auto before = Snapshot(*m);
        bool hookCalled = false;
        DataFileHooks hooks{[&] { hookCalled = true; }, [&] { hookCalled = true; }};
        RecordingNotifier n;
        EXPECT_FALSE(OpenDataFile(*m, path, n, hooks));
        EXPECT_EQ(Snapshot(*m), before);
        EXPECT_FALSE(hookCalled);
        ASSERT_EQ(n.entries.size(), 1u);
        EXPECT_EQ(n.entries[0].kind, c.kind);
        if (c.kind == MessageKind::Warning)
            EXPECT_EQ(n.entries[0].text, "Файл не принадлежит программе КВИР.");
        else
            EXPECT_NE(n.entries[0].text.find(path), std::string::npos) << n.entries[0].text;
    }
}

TEST_F(DataFileTest, ReaderMendsTextsThatSaveNeverWrites) {
    auto r = DefaultRecord();
    std::fill(r.begin() + 249, r.begin() + 449, 'A'); // no "~" anywhere in the area
    r[449] = 200;                                     // length byte beyond the capacity
    std::fill(r.begin() + 450, r.begin() + 480, '1');
    WriteBytes(PathOf("odd.dat"), r);
    auto m = spi::MakeModel();
    ASSERT_TRUE(OpenDataFile(*m, PathOf("odd.dat"), silent));
    EXPECT_EQ(m->genPolyText, std::string(199, 'A'));
    EXPECT_EQ(m->innerPolyList, std::string(30, '1'));
    EXPECT_TRUE(SaveDataFile(*m, PathOf("mended.dat"), silent));

    // Bytes after the "~" are unused, even one that 1251 leaves undefined.
    r = DefaultRecord();
    r[252] = 0x98;
    WriteBytes(PathOf("tail.dat"), r);
    ASSERT_TRUE(OpenDataFile(*m, PathOf("tail.dat"), silent));
    EXPECT_EQ(m->genPolyText, "35");
}

TEST_F(DataFileTest, CodeNumbersFromTheFileOverrideTheCodeSetUp) {
    auto saved = spi::MakeModel();
    saved->codeType = 17;
    saved->polyNumbers[0] = 3;
    saved->codeN = 15, saved->codeK = 11, saved->codeT = 2;
    ASSERT_TRUE(SaveDataFile(*saved, PathOf("rs.dat"), silent));
    auto m = spi::MakeModel();
    ASSERT_TRUE(OpenDataFile(*m, PathOf("rs.dat"), silent));
    EXPECT_EQ(m->codeType, 17);
    EXPECT_EQ(m->codeN, 15);
    EXPECT_EQ(m->codeK, 11);
    EXPECT_EQ(m->codeT, 2);
}

TEST_F(DataFileTest, TextsTheFileCannotHoldAreRefusedBeforeAnythingIsWritten) {
    const auto path = PathOf("keep.dat");
    ASSERT_TRUE(SaveDataFile(*spi::MakeModel(), path, silent));
    const auto good = ReadBytes(path);
    const struct {
        std::string genPoly, inner;
    } cases[] = {{std::string(200, '1'), ""},  {Repeat("ж", 200), ""}, {"1中3", ""}, {"13~", ""},
                 {"13", std::string(31, '1')}, {"13", "€\xFF"}};
    for (const auto &c : cases) {
        auto m = spi::MakeModel();
        m->genPolyText = c.genPoly;
        m->innerPolyList = c.inner;
        RecordingNotifier n;
        EXPECT_FALSE(SaveDataFile(*m, path, n)) << c.genPoly;
        ASSERT_EQ(n.entries.size(), 1u);
        EXPECT_EQ(n.entries[0].kind, MessageKind::Error);
        EXPECT_EQ(ReadBytes(path), good);
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), 1);
}

TEST_F(DataFileTest, FailedWriteIsReportedAndTheOldFileSurvives) {
    RecordingNotifier n;
    auto m = spi::MakeModel();
    EXPECT_FALSE(SaveDataFile(*m, "/dev/full", n));
    ASSERT_EQ(n.entries.size(), 1u);
    EXPECT_EQ(n.entries[0].kind, MessageKind::Error);
    EXPECT_NE(n.entries[0].text.find("/dev/full"), std::string::npos);
    EXPECT_NE(n.entries[0].text.find("нет места на диске"), std::string::npos);
    EXPECT_TRUE(fs::is_character_file("/dev/full"));

    n.entries.clear();
    EXPECT_FALSE(SaveDataFile(*m, dir.string(), n));
    EXPECT_EQ(n.entries.size(), 1u);

    if (::geteuid() == 0)
        GTEST_SKIP() << "permission bits do not stop root";
    const auto path = PathOf("good.dat");
    ASSERT_TRUE(SaveDataFile(*m, path, silent));
    const auto good = ReadBytes(path);
    fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
    m->genPolyText = "13";
    n.entries.clear();
    EXPECT_FALSE(SaveDataFile(*m, path, n));
    ASSERT_EQ(n.entries.size(), 1u);
    EXPECT_NE(n.entries[0].text.find(path), std::string::npos);
    EXPECT_EQ(ReadBytes(path), good);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), 1);
}

TEST_F(DataFileTest, SaveThroughALinkReplacesTheFileItPointsTo) {
    const auto real = PathOf("real.dat");
    ASSERT_TRUE(SaveDataFile(*spi::MakeModel(), real, silent));
    fs::create_symlink(real, PathOf("link.dat"));
    auto m = spi::MakeModel();
    m->genPolyText = "13";
    ASSERT_TRUE(SaveDataFile(*m, PathOf("link.dat"), silent));
    EXPECT_TRUE(fs::is_symlink(PathOf("link.dat")));
    EXPECT_EQ(ReadBytes(real)[250], '3');
    EXPECT_EQ(ReadBytes(real)[251], '~');
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), 2);
}

TEST(DataFileName, DatIsKeptFromTheSecondCharacterOn) {
    EXPECT_EQ(DataFileName("x"), "x.dat");
    EXPECT_EQ(DataFileName("x.dat"), "x.dat");
    EXPECT_EQ(DataFileName("x.dat.bak"), "x.dat.bak");
    EXPECT_EQ(DataFileName(".dat"), ".dat.dat");
    EXPECT_EQ(DataFileName("x.DAT"), "x.DAT.dat");
    EXPECT_EQ(DataFileName("x.da"), "x.da.dat");
    EXPECT_EQ(DataFileName("вар.dat"), "вар.dat");
    EXPECT_EQ(DataFileName(""), ".dat");
}

} // namespace
} // namespace spi
