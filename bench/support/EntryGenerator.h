#pragma once

#include "store/ScheduleEntry.h"
#include "store/ScheduleTable.h"

#include <QString>

#include <vector>

// Realistic random schedule entries for benchmarks: mostly one-time entries over three decades, some
// yearly and monthly ones, a few daily and weekday ones, both stored spellings of the kinds, alarm
// times on whole minutes, half of the alarms switched on, subjects and notes from a small vocabulary.
namespace EntryGenerator {

std::vector<ScheduleEntry> generate(size_t count, unsigned seed = 20031007);

// A table of `count` generated entries (row ids from 1), made once per size for the whole run.
const ScheduleTable& sharedTable(size_t count);

// Creates a schedule file at path holding the entries (one transaction, written straight to the file).
bool writeScheduleFile(const QString& path, const std::vector<ScheduleEntry>& entries);
// The same for `count` generated entries, made one at a time, so that a schedule of a million entries
// is written without all of them held in memory at once.
bool writeGeneratedFile(const QString& path, size_t count, unsigned seed = 20031007);
// Makes every `every`-th row of the schedule file a recurring entry whose whole event (a rule of one of
// several shapes, some in a zone, some with a changed occurrence) is kept in EntryRule beside it.
bool keepRulesEvery(const QString& path, size_t every);

} // namespace EntryGenerator
