// The initial-data file: one 540-byte little-endian record of the model's parameters with the
// signature 123123.0.
#pragma once

#include "model/model_state.h"
#include "model/notifier.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace spi {

inline constexpr std::size_t kDataRecordSize = 540;
using DataRecord = std::array<std::uint8_t, kDataRecordSize>;

// The save command's naming rule: the chosen name is kept when it holds ".dat" at a character
// position from 2 to length-3, otherwise ".dat" is appended.
std::string DataFileName(const std::string &chosen);

// Fills a record from the model; nullopt (with a message) when a text cannot be stored: a g(x)
// longer than 199 characters, an inner list longer than 30, or characters outside code page 1251.
std::optional<DataRecord> EncodeDataRecord(const ModelState &m, Notifier &notifier);

// Writes the record to path through a temporary file and a rename, so that a failed save never
// leaves a truncated file in place of a good one. Returns whether the file was written.
bool SaveDataFile(const ModelState &m, const std::string &path, Notifier &notifier);

// What the open command does outside the engine.
struct DataFileHooks {
    std::function<void()> clearCoderButtons; // step 1: the coder window clears its radio buttons
    std::function<void()> afterLoad; // step 7: "Стат 1" on, "Стат2" off in the stage window
};

// Reads the first record; a file that cannot be read, is shorter than one record or lacks the
// signature is refused with a message and the model stays exactly as it was.
bool OpenDataFile(ModelState &m, const std::string &path, Notifier &notifier,
                  const DataFileHooks &hooks = {});

} // namespace spi
