#include "instrument/ProgramStore.h"

#include <algorithm>

namespace kt4r {

std::string_view ClippedProgramName(std::string_view name)
{
    return name.substr(0, std::min<size_t>(name.size(), kProgramNameBytes));
}

StoredProgram::StoredProgram()
{
    name.reserve(kProgramNameBytes);
    data.Reserve(kProgramDataBytes);
}

ProgramStore::ProgramStore()
{
    mEditName.reserve(kProgramNameBytes);
}

const StoredProgram* ProgramStore::Program(int number) const
{
    return number >= 1 && number <= kPrograms ? &mPrograms[static_cast<size_t>(number - 1)] : nullptr;
}

void ProgramStore::Store(int number, const IStateChunk& data, std::string_view name)
{
    if (number < 1 || number > kPrograms)
        return;
    StoredProgram& program = mPrograms[static_cast<size_t>(number - 1)];
    program.initialized = true;
    program.name.assign(ClippedProgramName(name));
    program.data.Clear();
    program.data.PutBytes(data.Data(), data.Size());
}

void ProgramStore::Fill(const IStateChunk& data, std::string_view name)
{
    for (int n = 1; n <= kPrograms; ++n)
        Store(n, data, name);
}

void ProgramStore::RotateQuarters()
{
    std::rotate(mPrograms.begin(), mPrograms.end() - kPrograms / 4, mPrograms.end());
}

void ProgramStore::SwapPrograms(ProgramStore& other) noexcept
{
    mPrograms.swap(other.mPrograms);
}

void ProgramStore::SwapProgram(int number, ProgramStore& other) noexcept
{
    if (number >= 1 && number <= kPrograms)
        std::swap(mPrograms[static_cast<size_t>(number - 1)], other.mPrograms[static_cast<size_t>(number - 1)]);
}

void ProgramStore::Rename(int number, std::string_view name)
{
    if (number >= 1 && number <= kPrograms)
        mPrograms[static_cast<size_t>(number - 1)].name.assign(ClippedProgramName(name));
}

std::string_view ProgramStore::NameOf(int number) const
{
    if (number == 0)
        return mEditName;
    const StoredProgram* program = Program(number);
    return program ? std::string_view(program->name) : std::string_view();
}

void ProgramStore::SetCurrent(int number)
{
    if (number >= 1 && number <= kPrograms)
        mCurrent = number;
}

void ProgramStore::SetEditName(std::string_view name)
{
    mEditName.assign(ClippedProgramName(name));
}

} // namespace kt4r
