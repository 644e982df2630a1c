// The initial-data file reader on any bytes. A refused file leaves the model exactly as it was with
// one message; an accepted one holds the file's numbers bit for bit, saves again, and the chain it
// describes either runs a few words or is refused with a message.
#include "fuzz_common.h"

#include "io/data_file.h"

#include <algorithm>
#include <utility>

using namespace spi;
using namespace spi::fuzz;

namespace {

// The numbers of the record, without the texts and the unused bytes between fields.
constexpr std::pair<std::size_t, std::size_t> kNumberAreas[] = {
    {0, 248}, {480, 482}, {484, 530}, {532, 540}};

void RunLoadedChain(ModelState &m) {
    RecordingNotifier n;
    // The file leaves channelEntered set: its discrete channel is used as read.
    m.channelType = 1;
    m.fixedSeed = 1;
    m.wordCount = std::clamp(m.ilvL, 1, 3);
    if (!Stat2ToSkip(m)) {
        const auto r = RunStat2(m, n);
        CheckRunAnswer(m, r, n, 0, m.codeN, m.codeK);
    }
    n.entries.clear();
    m.stat1WordLength = std::clamp(m.codeN, -1, 200);
    m.wordCount = 3;
    const auto r = RunStat1(m, n);
    CheckRunAnswer(m, r, n, 0, m.stat1WordLength, -1);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    static const std::string path = ScratchPath("in.dat");
    static const std::string again = ScratchPath("again.dat");
    WriteBytes(path, data, size);

    auto m = MakeModel();
    m->genPolyText = "1701317"; // differs from any default, so that a half-read shows
    m->codeType = 0;
    const auto before = Image(*m);
    RecordingNotifier n;
    int hooks = 0;
    const DataFileHooks h{[&] { ++hooks; }, [&] { ++hooks; }};
    if (!OpenDataFile(*m, path, n, h)) {
        SPI_FUZZ_CHECK(SameImage(*m, before));
        SPI_FUZZ_CHECK(n.entries.size() == 1);
        SPI_FUZZ_CHECK(hooks == 0);
        return 0;
    }
    SPI_FUZZ_CHECK(size >= kDataRecordSize);
    SPI_FUZZ_CHECK(hooks == 2);
    SPI_FUZZ_CHECK(n.Has("Чтение завершено успешно."));
    SPI_FUZZ_CHECK(m->channelEntered == 1);

    // What was read can be written again, and the numbers are the file's own bytes.
    RecordingNotifier saveNotes;
    const auto record = EncodeDataRecord(*m, saveNotes);
    SPI_FUZZ_CHECK(record.has_value());
    for (const auto &[from, to] : kNumberAreas)
        SPI_FUZZ_CHECK(std::equal(record->begin() + from, record->begin() + to, data + from));
    WriteBytes(again, record->data(), record->size());
    auto m2 = MakeModel();
    SPI_FUZZ_CHECK(OpenDataFile(*m2, again, saveNotes));
    SPI_FUZZ_CHECK(m2->genPolyText == m->genPolyText);
    SPI_FUZZ_CHECK(m2->innerPolyList == m->innerPolyList);

    RunLoadedChain(*m);
    return 0;
}
