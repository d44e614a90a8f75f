#include "tests/soak/SoakModel.h"

#include <cstring>

namespace kt4r_soak {

namespace {

constexpr int kSlots = 129;
constexpr size_t kProgramBlockBytes = 2525; // the 70 map entries, the edited flag, the count, 70 values

// Little-endian fields read with bounds checks; `ok` turns false at the first read past the end.
struct Reader {
    const uint8_t* data;
    size_t size;
    size_t pos = 0;
    bool ok = true;

    bool Has(size_t n) { return ok = ok && n <= size - pos; }
    int32_t Int32()
    {
        int32_t v = 0;
        if (Has(4))
            std::memcpy(&v, data + pos, 4), pos += 4;
        return v;
    }
    uint8_t Byte()
    {
        uint8_t v = 0;
        if (Has(1))
            v = data[pos++];
        return v;
    }
    std::string Str()
    {
        const int32_t n = Int32();
        if (n < 0)
            ok = false;
        if (!ok || !Has(static_cast<size_t>(n)))
            return {};
        std::string s(reinterpret_cast<const char*>(data + pos), static_cast<size_t>(n));
        pos += static_cast<size_t>(n);
        return s;
    }
    void Skip(size_t n)
    {
        if (Has(n))
            pos += n;
    }
};

} // namespace

bool ParseBank(const uint8_t* data, size_t size, BankView* view)
{
    Reader r{data, size};
    BankView v;
    r.Skip(8); // the chunk's tag and version
    r.Int32(); // the state block's version
    if (r.Int32() != kSlots)
        return false;
    for (int slot = 0; slot < kSlots && r.ok; ++slot) {
        if (slot == 1)
            v.programsBegin = r.pos;
        v.slotBegin.push_back(r.pos);
        v.names.push_back(r.Str());
        const uint8_t stored = r.Byte();
        if (stored > 1)
            return false;
        if (stored)
            r.Skip(kProgramBlockBytes);
    }
    v.programsEnd = r.pos;
    v.slotBegin.push_back(r.pos);
    v.currentProgram = r.Int32();
    r.Str();
    r.Int32(); // MIDI channel
    v.immediateWrite = r.Byte() != 0;
    r.Skip(2 + 8); // the two SysEx switches and the output gain
    if (!r.ok || r.pos != size)
        return false;
    *view = std::move(v);
    return true;
}

std::vector<uint8_t> ProgramBytes(const std::vector<uint8_t>& bank)
{
    BankView view;
    if (!ParseBank(bank.data(), bank.size(), &view))
        return {};
    return {bank.begin() + static_cast<std::ptrdiff_t>(view.programsBegin),
            bank.begin() + static_cast<std::ptrdiff_t>(view.programsEnd)};
}

bool ProgramModel::Start(const std::vector<uint8_t>& bank, std::string* failure)
{
    return Check(bank, ProgramEffect::kMayChange, {}, failure);
}

bool ProgramModel::Check(const std::vector<uint8_t>& bank, ProgramEffect effect, const std::vector<uint8_t>& expected,
                         std::string* failure)
{
    BankView view;
    if (!ParseBank(bank.data(), bank.size(), &view)) {
        *failure = "the bank chunk (" + std::to_string(bank.size()) + " bytes) does not parse";
        return false;
    }
    const auto begin = bank.begin() + static_cast<std::ptrdiff_t>(view.programsBegin);
    const auto end = bank.begin() + static_cast<std::ptrdiff_t>(view.programsEnd);
    const std::vector<uint8_t> want = effect == ProgramEffect::kBecomes ? ProgramBytes(expected) : mPrograms;
    if (effect != ProgramEffect::kMayChange && !std::equal(begin, end, want.begin(), want.end())) {
        *failure = effect == ProgramEffect::kBecomes ? "the programs are not those of the bank chunk set:"
                                                     : "stored programs changed without a write, load or rename:";
        // Which slots differ, by name, when the layout allows telling.
        for (int slot = 1; slot < kSlots && mSlotBegin.size() == kSlots + 1 && effect == ProgramEffect::kNone;
             ++slot) {
            const size_t a = view.slotBegin[slot] - view.programsBegin;
            const size_t b = view.slotBegin[slot + 1] - view.programsBegin;
            const size_t c = mSlotBegin[slot];
            const size_t d = mSlotBegin[slot + 1];
            if (b - a != d - c || !std::equal(begin + static_cast<std::ptrdiff_t>(a), begin + static_cast<std::ptrdiff_t>(b),
                                              mPrograms.begin() + static_cast<std::ptrdiff_t>(c)))
                failure->append(" ").append(std::to_string(slot)).append(" (\"").append(view.names[slot]).append("\")");
        }
        return false;
    }
    mPrograms.assign(begin, end);
    mSlotBegin.clear();
    for (size_t offset : view.slotBegin)
        mSlotBegin.push_back(offset - view.programsBegin);
    mView = std::move(view);
    return true;
}

bool MayStoreProgram(const std::vector<uint8_t>& sysex)
{
    for (size_t i = 0; i + 2 < sysex.size(); ++i) {
        if (sysex[i] == 0xF0 && sysex[i + 1] == 0x41 && (sysex[i + 2] == 0x34 || sysex[i + 2] == 0x37))
            return true;
    }
    return false;
}

} // namespace kt4r_soak
