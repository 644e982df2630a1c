#include "io/run_report.h"

#include "chain/stat_runs.h"
#include "coding/gen_poly_parser.h"
#include "forms/channel_forms.h"
#include "io/codepage1251.h"
#include "model/format.h"
#include "scratch_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace spi {
namespace {

namespace fs = std::filesystem;

std::string ReadBytes(const fs::path &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string Expected(const char *name) {
    const auto path = fs::path(__FILE__).parent_path() / "data" / name;
    EXPECT_TRUE(fs::exists(path)) << path;
    return ReadBytes(path);
}

std::string Utf8(const std::optional<std::string> &cp1251) {
    if (!cp1251)
        return "<no report>";
    return Cp1251ToUtf8(*cp1251).value_or("<not 1251>");
}

// A discrete-channel model with a syndrome-decoded (7,4) code and hand-made statistics; the
// entries beyond the row counts must not be printed.
std::unique_ptr<ModelState> CodedModel() {
    auto m = MakeModel();
    m->channelType = 1;
    m->discParams = {0.4, 0.4,  0.2,  0.0123456789, 0.05, 0.5,       0.9,      0.1,
                     0.1, 0.85, 0.05, 0.1,          0.9,  0.1049383, 0.8765432};
    m->codeType = 0;
    m->codeN = 7, m->codeK = 4, m->codeT = 1;
    m->genPolyText = "13";
    m->multRowsBefore = 8;
    const double before[] = {0.5, 0.25, 0, 0.125, 0.0625, 0.03125, 0.03125, 0, 0.3};
    std::copy(std::begin(before), std::end(before), m->multBefore.begin());
    m->multRowsAfter = 5;
    const double after[] = {0.9, 0.05, 0.03, 0.015, 0.005, 0.7};
    std::copy(std::begin(after), std::end(after), m->multAfter.begin());
    m->wordErrProbAfter = 0.1;
    m->pErrIn = 0.0625, m->pErrInConf = 0.00123456789;
    m->pErrOut = 0.0035, m->pErrOutConf = 1.3e-10;
    m->rateWithCoder = 0.5;
    return m;
}

// The decision-device structure with breaks, a run without the coder and 42 multiplicities.
std::unique_ptr<ModelState> UncodedDecisionDeviceModel() {
    auto m = MakeModel();
    m->channelType = 2;
    m->probOne = 0.3, m->contHp = 12.34, m->contHc = 1.26, m->contM = 4, m->contQ = 0.05;
    m->modMd = 1.0, m->demodDm = 0, m->ruCriterion = 1;
    m->discParams[0] = 0.4;
    m->discParams[14] = 0.1111111;
    m->breakParams = {0.0012345, 0.5, 1.0, 0.7, 0.3, 5.0, 2000.0, 360.0};
    m->ilvA = 1, m->ilvC = 3, m->ilvL = 10;
    m->codeType = 1;
    m->wordCount = 500;
    m->stat1WordLength = 42;
    m->multRowsBefore = 43;
    for (int i = 0; i < 41; ++i)
        m->multBefore[i] = 0.001 * (i + 1);
    m->multBefore[10] = 0;
    m->multBefore[41] = 0.5;
    m->multRowsAfter = 43;
    m->multAfter[50] = 1.0;
    m->pErrIn = 0.0123, m->pErrInConf = 0.000456;
    m->capacityNoCoder2 = 0.9012347;
    m->rateWithCoder = 0.25;
    return m;
}

TEST(TestReport, KnownStatisticsGiveTheExpectedFiles) {
    const auto coded = CodedModel();
    const auto uncoded = UncodedDecisionDeviceModel();
    const auto fresh = MakeModel();
    const struct {
        const ModelState &m;
        bool boxForm;
        const char *file;
    } cases[] = {
        {*coded, true, "coded_box.rez"},
        {*coded, false, "coded_plain.rez"},
        {*uncoded, false, "uncoded_ru_plain.rez"},
        {*fresh, true, "fresh_box.rez"},
    };
    for (const auto &c : cases) {
        const auto report = WriteTestReport(c.m, c.boxForm);
        ASSERT_TRUE(report) << c.file;
        EXPECT_EQ(*report, Expected(c.file)) << c.file << "\n"
                                             << Utf8(report) << "\n---- expected ----\n"
                                             << Utf8(Expected(c.file));
    }
}

TEST(TestReport, TablesEndWithFillersUpToFiveColumns) {
    auto m = MakeModel();
    for (int i = 0; i < 7; ++i)
        m->multAfter[i] = 0.1 * (i + 1);
    const std::string plainHead =
        " КРАТНОСТЬ;     0  ;     1    ;     2    ;     3    ;     4    \r\n";
    const std::string border = "  +——————————+——————————+——————————+——————————+——————————+——————"
                               "————+\r\n";
    const std::string boxHead =
        "  ¦ КРАТНОСТЬ¦     0    ¦     1    ¦     2    ¦     3    ¦     4    ¦\r\n"
        "  ¦——————————+——————————+——————————+——————————+——————————+——————————¦\r\n";
    const struct {
        int c;
        bool boxForm;
        std::string text;
    } cases[] = {
        {-1, false, plainHead + "0.0000000; 0.0000000; 0.0000000; 0.0000000; 0.0000000 \r\n"},
        {4, false,
         plainHead + "   0    ; 0.1000000; 0.2000000; 0.3000000; 0.4000000; 0.5000000 \r\n"},
        {6, false,
         plainHead + "   0    ; 0.1000000; 0.2000000; 0.3000000; 0.4000000; 0.5000000 \r\n"
                     "   5    ; 0.6000000; 0.7000000; 0.0000000; 0.0000000; 0.0000000 \r\n"},
        {-1, true,
         border + boxHead + "0.0000000¦ 0.0000000¦ 0.0000000¦ 0.0000000¦ 0.0000000¦ \r\n" + border},
        {4, true,
         border + boxHead +
             "  ¦     0    ¦ 0.1000000¦ 0.2000000¦ 0.3000000¦ 0.4000000¦ 0.5000000¦ \r\n" + border},
        {6, true,
         border + boxHead +
             "  ¦     0    ¦ 0.1000000¦ 0.2000000¦ 0.3000000¦ 0.4000000¦ 0.5000000¦ \r\n"
             "  ¦     5    ¦ 0.6000000¦ 0.7000000¦ 0.0000000¦ 0.0000000¦ 0.0000000¦ \r\n" +
             border},
    };
    for (const auto &c : cases) {
        std::string out;
        WriteMultiplicityTable(out, *m, c.c, kAfterDecoding, c.boxForm);
        EXPECT_EQ(out, c.text) << "c = " << c.c << (c.boxForm ? " box" : " plain");
    }
}

TEST(TestReport, LastIndexSkipsTrailingZerosWithinTheRowCount) {
    auto m = MakeModel();
    EXPECT_EQ(LastMultiplicityIndex(*m, kBeforeDecoding), -1);
    m->multRowsBefore = 5;
    m->multBefore[1] = 0.5;
    m->multBefore[7] = 0.5; // beyond the rows of the run
    EXPECT_EQ(LastMultiplicityIndex(*m, kBeforeDecoding), 1);
    m->multRowsBefore = 1 << 30; // a corrupted count stays inside the array
    m->multBefore[kMaxWord] = 1e-300;
    EXPECT_EQ(LastMultiplicityIndex(*m, kBeforeDecoding), kMaxWord);
    EXPECT_TRUE(WriteTestReport(*m, true));
    EXPECT_EQ(LastMultiplicityIndex(*m, kAfterDecoding), -1);
}

// The lines between the interleaver line and the test volume, for every code type.
TEST(TestReport, EveryCodeTypePrintsItsSection) {
    const std::string cyclic = "\n ИСПОЛЬЗУЕТСЯ ЦИКЛИЧЕСКИЙ КОД: n=24 k=12;\r\n"
                               " Производящий многочлен(8-ая запись):\r\n"
                               "               g(x)=1,5;\r\n"
                               " МАКС.кратность исправл.ошибок t=3;\r\n";
    const std::string conv = "\n ИСПОЛЬЗУЕТСЯ СВЕРТОЧНЫЙ КОД: n=24; k=12;\r\n"
                             " Производящий(е) многочлен(ы): g(x)=1,5;\r\n";
    const std::string iterative = conv + "               (степени мн-на(ов))\r\n"
                                         " Декодер итерационный пороговый, МАКС.число итераций:  "
                                         "3.\r\n";
    const std::string rs = "\n ИСПОЛЬЗУЕТСЯ КОД Рида-Соломона: n=24 k=12;\r\n"
                           " Производящий многочлен g(x)=1,5;\r\n"
                           "\n МАКС.кратность исправл.ошибок t=3;\r\n";
    const std::string cascade = "\n ИСПОЛЬЗУЕТСЯ КАСКАДНЫЙ КОД.\n Внутренний код свёрточный: \r\n"
                                " Производящий(е) многочлен(ы):\r\n";
    const std::string outerConv = "\n Внешний код свёрточный: n=24; k=12;\r\n"
                                  " Производящий(е) многочлен(ы): g(x)=1,5;\r\n"
                                  " Декодер итерационный пороговый.\r\n";
    const std::string viterbiHalf = " g1=1+x; g2=1+x+x2; R=1/2, Декодер Витерби.";
    const std::string sections[] = {
        /* 0 */ cyclic + " Декодер синдромно-матричный.\r\n",
        /* 1 */ iterative,
        /* 2 */ cyclic,
        /* 3 */ cyclic,
        /* 4 */ cyclic,
        /* 5 */ cyclic,
        /* 6 */ conv + "                          (8-ричная запись)\r\n",
        /* 7 */ iterative,
        /* 8 */ conv + viterbiHalf + "\r\n",
        /* 9 */ conv +
            "       g(ij)=1+x,1+x,1\r\n             0,  x, 1+x; R=2/3,Декодер Витерби.\r\n",
        /* 10 */ conv +
            "       g(ij)=1+x,1+x,1\r\n             0,  x, 1+x; R=3/4,Декодер Витерби.\r\n",
        /* 11 */ "",
        /* 12 */ cascade + viterbiHalf + outerConv,
        /* 13 */ rs + " Декодер АБМВ.\r\n",
        /* 14 */ cyclic + " Декодер АБМВ.\r\n",
        /* 15 */ cascade + " g1=1+x; g2=1+x+x2; выколотый R=1/3,\r\n Декодер Витерби." + outerConv,
        /* 16 */ cascade +
            "     Номер многочлена g(x)=31,59;\r\n     Декодер итерационный пороговый." + outerConv,
        /* 17 */ cascade + viterbiHalf +
            "\n Внешний код РС: n=24; k=12;\r\n Производящий многочлен g(x)=1,5;"
            "\n МАКС.кратность исправл.ошибок t=3;\r\n Декодер АБМЧ.\r\n",
        /* 18 */ rs + " Декодер АБМЧ.\r\n",
        /* 19 */ "",
    };
    const std::string from = " Параметры перемежителя: A=1; C=1; L=1.\r\n";
    const std::string to = "\n ОБЪЕМ ИСПЫТАНИЙ NB=";
    for (unsigned type = 0; type <= 19; ++type) {
        auto m = MakeModel();
        m->codeType = static_cast<std::uint16_t>(type);
        m->codeN = 24, m->codeK = 12, m->codeT = 3;
        m->genPolyText = "1,5";
        m->innerPolyList = "31,59";
        m->multRowsAfter = 13;
        m->multAfter[0] = 1.0;
        const std::string text = Utf8(WriteTestReport(*m, type % 2 == 0));
        const auto begin = text.find(from);
        const auto end = text.find(to);
        ASSERT_NE(begin, std::string::npos) << type;
        ASSERT_NE(end, std::string::npos) << type;
        EXPECT_EQ(text.substr(begin + from.size(), end - begin - from.size()), sections[type])
            << "code type " << type;
        EXPECT_EQ(text.find("Робн") != std::string::npos, type == 0) << type;
    }
    auto m = MakeModel();
    m->codeType = 65535;
    m->multRowsAfter = 1;
    m->multAfter[0] = 1.0;
    const std::string text = Utf8(WriteTestReport(*m, false));
    EXPECT_NE(text.find(from + to), std::string::npos);
}

TEST(TestReport, FiguresOfARealRunAreTheModelsResults) {
    auto m = MakeModel();
    m->channelType = 1;
    SilentNotifier q;
    if (auto f = OpenDiscChannelDialog(*m, q))
        AcceptDiscChannelDialog(*m, *f, q);
    parseGenPoly(*m, q);
    m->fixedSeed = 1;
    ASSERT_EQ(RunStat2(*m, q).outcome, RunOutcome::Completed);

    for (const bool boxForm : {true, false}) {
        const std::string text = Utf8(WriteTestReport(*m, boxForm));
        const auto real = [](double x, int w, int d) {
            return FormatFixed(static_cast<long double>(x), w, d);
        };
        const std::string expected =
            "\n Эквивалентная вер-ть ошибки  Рвх=" + real(m->pErrIn, 10, 9) + "-+" +
            real(m->pErrInConf, 10, 9) +
            ";\r\n Эквивалентная вер-ть ошибки Рвых=" + real(m->pErrOut, 10, 9) + "-+" +
            real(m->pErrOutConf, 10, 9) + ";\r\n Пропускная способность канала без УЗО: Ск/Смах=" +
            real(m->discParams[14], 7, 6) +
            ";\r\n Пропускная способность канала   c УЗО: Сs/Смах=" + real(m->rateWithCoder, 7, 6) +
            ".\r\n";
        ASSERT_GE(text.size(), expected.size());
        EXPECT_EQ(text.substr(text.size() - expected.size()), expected);
        EXPECT_NE(text.find(" ИСПОЛЬЗУЕТСЯ ЦИКЛИЧЕСКИЙ КОД: n=7 k=3;"), std::string::npos);
        EXPECT_NE(text.find(" Средняя вероятность ошибки: Pcp=" + real(m->discParams[13], 8, 7)),
                  std::string::npos);
        const std::string firstEntry = real(m->multBefore[0], 8, 7) + (boxForm ? "¦ " : "; ");
        EXPECT_NE(text.find("  0    " + std::string(boxForm ? "¦ " : "; ") + firstEntry),
                  std::string::npos);
    }
    EXPECT_GT(m->pErrIn, 0.0);
}

TEST(TestReport, UnwritableTextsRefuseTheReportOnlyWhenPrinted) {
    auto m = CodedModel();
    m->genPolyText = "1中3";
    std::string failure;
    EXPECT_FALSE(WriteTestReport(*m, true, &failure));
    EXPECT_NE(failure.find("中"), std::string::npos);
    EXPECT_NE(failure.find("g(x)"), std::string::npos);

    m->genPolyText = "1\xFF";
    EXPECT_FALSE(WriteTestReport(*m, true, &failure));
    EXPECT_NE(failure.find("0xFF"), std::string::npos);

    m->genPolyText = "13";
    m->innerPolyList = "中";
    m->codeType = 12;
    EXPECT_TRUE(WriteTestReport(*m, true));
    m->codeType = 16;
    EXPECT_FALSE(WriteTestReport(*m, true, &failure));
    EXPECT_NE(failure.find("внутреннего кода"), std::string::npos);

    m->multAfter.fill(0.0); // the device was not used: no code section, nothing to refuse
    EXPECT_TRUE(WriteTestReport(*m, true));
}

class SaveTestReportTest : public ScratchFolderTest {
protected:
    SaveTestReportTest() : ScratchFolderTest("spi_test_report_") {}
};

TEST_F(SaveTestReportTest, WritesTheBoxOrPlainReport) {
    const auto m = CodedModel();
    RecordingNotifier n;
    const auto path = (dir / "r.rez").string();
    ASSERT_TRUE(SaveTestReport(*m, path, true, n));
    EXPECT_EQ(ReadBytes(path), Expected("coded_box.rez"));
    ASSERT_TRUE(SaveTestReport(*m, path, false, n));
    EXPECT_EQ(ReadBytes(path), Expected("coded_plain.rez"));
    EXPECT_TRUE(n.entries.empty());
    EXPECT_EQ(FilesInDir(), 1u);
}

TEST_F(SaveTestReportTest, FailuresAreLoudAndTheOldFileSurvives) {
    auto m = CodedModel();
    RecordingNotifier n;
    EXPECT_FALSE(SaveTestReport(*m, "/dev/full", true, n));
    ASSERT_EQ(n.entries.size(), 1u);
    EXPECT_EQ(n.entries[0].kind, MessageKind::Error);
    EXPECT_NE(n.entries[0].text.find("/dev/full"), std::string::npos);
    EXPECT_NE(n.entries[0].text.find("нет места на диске"), std::string::npos);

    const auto path = (dir / "good.rez").string();
    ASSERT_TRUE(SaveTestReport(*m, path, true, n));
    const auto good = ReadBytes(path);
    m->genPolyText = "1中3";
    n.entries.clear();
    EXPECT_FALSE(SaveTestReport(*m, path, false, n));
    ASSERT_EQ(n.entries.size(), 1u);
    EXPECT_EQ(ReadBytes(path), good);

    if (::geteuid() == 0)
        GTEST_SKIP() << "permission bits do not stop root";
    m->genPolyText = "13";
    fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
    n.entries.clear();
    EXPECT_FALSE(SaveTestReport(*m, path, false, n));
    ASSERT_EQ(n.entries.size(), 1u);
    EXPECT_NE(n.entries[0].text.find(path), std::string::npos);
    EXPECT_EQ(ReadBytes(path), good);
    EXPECT_EQ(FilesInDir(), 1u);
}

TEST(ResultsFileName, RezIsKeptFromTheSecondCharacterOn) {
    EXPECT_EQ(ResultsFileName("x.rez"), "x.rez");
    EXPECT_EQ(ResultsFileName("test"), "test.rez");
    EXPECT_EQ(ResultsFileName("my.rez.txt"), "my.rez.txt");
    EXPECT_EQ(ResultsFileName(".rez"), ".rez.rez");
    EXPECT_EQ(ResultsFileName(".rezult"), ".rezult.rez");
    EXPECT_EQ(ResultsFileName("rezult1"), "rezult1.rez");
    EXPECT_EQ(ResultsFileName("A.REZ"), "A.REZ.rez");
    EXPECT_EQ(ResultsFileName("ж.rez"), "ж.rez");
    EXPECT_EQ(ResultsFileName(""), ".rez");
}

} // namespace
} // namespace spi
