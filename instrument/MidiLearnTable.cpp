#include "instrument/MidiLearnTable.h"

#include <algorithm>
#include <cmath>
#include <iomanip>
#include <locale>
#include <sstream>


namespace {

bool PutEntry(IStateChunk& chunk, const MidiLearnEntry& e)
{
    static constexpr uint8_t kPadding[3] = {};
    return chunk.PutInt32(e.paramId) && chunk.PutInt32(e.key) && chunk.PutInt8(e.flag) && chunk.PutBytes(kPadding, 3) &&
           chunk.PutFloat(e.min) && chunk.PutFloat(e.range) && chunk.PutInt32(0) && chunk.PutInt32(0);
}

int GetEntry(const IStateChunk& chunk, int pos, MidiLearnEntry* e)
{
    uint8_t skipped[8];
    pos = chunk.GetInt32(&e->paramId, pos);
    pos = chunk.GetInt32(&e->key, pos);
    pos = chunk.GetInt8(&e->flag, pos);
    pos = chunk.GetBytes(skipped, 3, pos);
    pos = chunk.GetFloat(&e->min, pos);
    pos = chunk.GetFloat(&e->range, pos);
    return chunk.GetBytes(skipped, 8, pos);
}

// Entries the map file holds alike: neither is written, or both with the same key and bounds.
bool SameInFile(const MidiLearnEntry& a, const MidiLearnEntry& b)
{
    const bool aWritten = a.key != 0 && IsUsableEntry(a);
    const bool bWritten = b.key != 0 && IsUsableEntry(b);
    if (!aWritten || !bWritten)
        return aWritten == bWritten;
    return a.key == b.key && a.min == b.min && a.range == b.range;
}

} // namespace

bool IsUsableEntry(const MidiLearnEntry& entry) noexcept
{
    return IsPatchParamIndex(entry.paramId) && entry.key >= kMinNrpnKey && entry.key <= kMaxControllerKey &&
           std::isfinite(entry.min) && std::isfinite(entry.range);
}

int64_t KeySum(const MidiLearnTable& table) noexcept
{
    int64_t sum = 0;
    for (const MidiLearnEntry& e : table) {
        if (IsUsableEntry(e))
            sum += e.key;
    }
    return sum;
}

bool PutMidiLearnTable(IStateChunk& chunk, const MidiLearnTable& table, MidiLearnBlock layout)
{
    if (layout == MidiLearnBlock::kCounted && !chunk.PutInt32(kMidiLearnEntries))
        return false;
    for (const MidiLearnEntry& e : table) {
        if (!PutEntry(chunk, e))
            return false;
    }
    return true;
}

int GetMidiLearnTable(const IStateChunk& chunk, int pos, MidiLearnTable* out, MidiLearnBlock layout)
{
    if (layout == MidiLearnBlock::kCounted) {
        int32_t count = 0;
        pos = chunk.GetInt32(&count, pos);
        if (count != kMidiLearnEntries)
            return -1;
    }
    MidiLearnTable read;
    for (MidiLearnEntry& e : read)
        pos = GetEntry(chunk, pos, &e);
    if (pos < 0)
        return -1;
    *out = read;
    return pos;
}

std::string FormatMidiLearnText(const MidiLearnTable& table)
{
    // The classic locale: a host that switched the global one to decimal commas must not change the
    // file.
    std::ostringstream text;
    text.imbue(std::locale::classic());
    for (const MidiLearnEntry& e : table) {
        if (e.key == 0 || !IsUsableEntry(e))
            continue;
        text << std::setw(5) << e.paramId << std::setw(5) << e.key << ' ' << e.min << ' ' << (e.min + e.range) << '\n';
    }
    return text.str();
}

size_t ParseMidiLearnText(const std::string& text, MidiLearnTable* table)
{
    std::istringstream in(text);
    in.imbue(std::locale::classic());
    int32_t id = 0;
    int32_t key = 0;
    double min = 0.0;
    double max = 0.0;
    for (;;) {
        const std::streampos group = in.tellg();
        if (!(in >> id >> key >> min >> max))
            return group < 0 ? text.size() : static_cast<size_t>(group);
        const MidiLearnEntry entry{id, key, 1, static_cast<float>(min), static_cast<float>(max - min)};
        if (IsUsableEntry(entry))
            (*table)[static_cast<size_t>(id)] = entry;
    }
}

std::optional<std::string> MergeMidiLearnText(const std::string* current, const MidiLearnTable& start,
                                              const MidiLearnTable& table)
{
    MidiLearnTable merged{};
    std::string unread;
    if (current) {
        unread = current->substr(ParseMidiLearnText(*current, &merged));
        unread.erase(0, std::min(unread.size(), unread.find_first_not_of(" \t\r\n\f\v")));
    }
    bool changed = false;
    for (size_t id = 0; id < table.size(); ++id) {
        if (!SameInFile(start[id], table[id])) {
            merged[id] = table[id];
            changed = true;
        }
    }
    if (!changed || KeySum(merged) == 0)
        return std::nullopt;
    return FormatMidiLearnText(merged) + unread;
}

bool ReadMidiLearnFile(const SharedFolders& folders, MidiLearnTable* table)
{
    std::string text;
    if (ReadSharedFile(folders, {kMidiLearnFileName, kMidiLearnOlderFileName}, &text) != SharedRead::kRead)
        return false;
    ParseMidiLearnText(text, table);
    return true;
}

bool UpdateMidiLearnFile(const SharedFolders& folders, const MidiLearnTable& start, const MidiLearnTable& table)
{
    bool merged = false;
    const bool ok = UpdateSharedFile(folders, {kMidiLearnFileName, kMidiLearnOlderFileName},
                                     [&](const std::string* current) {
                                         std::optional<std::string> text = MergeMidiLearnText(current, start, table);
                                         merged = text.has_value();
                                         return text;
                                     });
    return ok && merged;
}
