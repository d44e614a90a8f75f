#include "framework/plugin/IPlugBase.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <sstream>

#include "framework/graphics/IGraphics.h"

namespace {

std::vector<std::pair<int, int>> ParsePairings(const char* text)
{
    std::vector<std::pair<int, int>> pairs;
    std::istringstream tokens(text ? text : "");
    std::string token;
    while (std::getline(tokens, token, ' ')) {
        int inputs = 0;
        int outputs = 0;
        if (std::sscanf(token.c_str(), "%d-%d", &inputs, &outputs) == 2)
            pairs.emplace_back(inputs, outputs);
    }
    return pairs;
}

} // namespace

IPlugBase::IPlugBase(const IPlugInfo& info)
    : mUniqueId(info.uniqueId), mMakerCode(info.makerCode), mVersion(info.version),
      mKeepsStateChunks(info.keepsStateChunks), mIsInstrument(info.isInstrument), mTakesMidi(info.takesMidi),
      mBuildVariant(info.buildVariant)
{
    for (int i = 0; i < info.nParams; ++i)
        mParams.push_back(std::make_unique<IParameter>());
    CopyText(mEffectName, info.effectName, sizeof mEffectName);
    CopyText(mProductName, info.productName, sizeof mProductName);
    CopyText(mVendorName, info.vendorName, sizeof mVendorName);

    mChannelPairings = ParsePairings(info.channelPairings);
    int maxIn = 0;
    int maxOut = 0;
    for (const auto& [inputs, outputs] : mChannelPairings) {
        maxIn = std::max(maxIn, inputs);
        maxOut = std::max(maxOut, outputs);
    }
    mInPointers.assign(static_cast<size_t>(maxIn), nullptr);
    mOutPointers.assign(static_cast<size_t>(maxOut), nullptr);
    for (int i = 0; i < maxIn; ++i) {
        mInChannels.push_back(std::make_unique<IAudioChannel>());
        mInChannels.back()->pointerSlot = &mInPointers[static_cast<size_t>(i)];
    }
    for (int i = 0; i < maxOut; ++i) {
        mOutChannels.push_back(std::make_unique<IAudioChannel>());
        mOutChannels.back()->pointerSlot = &mOutPointers[static_cast<size_t>(i)];
    }
}

IPlugBase::~IPlugBase()
{
    mEditor.reset();
    mParams.clear();
    mInChannels.clear();
    mOutChannels.clear();
}

void IPlugBase::ResetProcessing()
{
    LockGuard lock(mLock);
}

void IPlugBase::ParameterChanged(int index, int source)
{
    LockGuard lock(mLock);
}

namespace {

// The default render of both sample types: input i to output i, every other output silent.
template <typename Sample>
void PassThrough(Sample** inputs, Sample** outputs, int frames, int inChannels, int outChannels)
{
    if (!outputs || frames <= 0)
        return;
    const int nIn = inputs ? inChannels : 0;
    for (int i = 0; i < outChannels; ++i) {
        Sample* out = outputs[i];
        if (!out)
            continue;
        if (i < nIn && inputs[i]) {
            if (inputs[i] != out)
                std::memmove(out, inputs[i], sizeof(Sample) * static_cast<size_t>(frames));
        } else {
            std::fill(out, out + frames, Sample(0));
        }
    }
}

} // namespace

void IPlugBase::RenderDouble(double** inputs, double** outputs, int frames)
{
    PassThrough(inputs, outputs, frames, NInChannels(), NOutChannels());
}

void IPlugBase::RenderFloat(float** inputs, float** outputs, int frames)
{
    PassThrough(inputs, outputs, frames, NInChannels(), NOutChannels());
}

void IPlugBase::SetActive(bool active)
{
    LockGuard lock(mLock);
}

void IPlugBase::HandleMidiEvent(const IMidiEvent& event)
{
    EmitMidiEvent(event);
}

bool IPlugBase::QueryMidiNoteName(int note, char* text)
{
    if (text)
        text[0] = '\0';
    return false;
}

bool IPlugBase::WriteState(IStateChunk* chunk)
{
    LockGuard lock(mLock);
    bool ok = true;
    for (const auto& param : mParams)
        ok = chunk->PutDouble(param->ToNormalized()) && ok;
    return ok;
}

int IPlugBase::ReadState(const IStateChunk& chunk, int pos)
{
    LockGuard lock(mLock);
    // A value that runs past the end stops the reader without touching that parameter, so a truncated
    // block changes only what it fully holds; a non-finite value leaves its parameter as it was.
    for (auto& param : mParams) {
        if (pos < 0)
            break;
        double v = 0.0;
        pos = chunk.GetDouble(&v, pos);
        if (pos >= 0)
            param->SetFromNormalized(v);
    }
    for (int i = 0; i < NParams(); ++i)
        ParameterChanged(i, 0);
    return pos;
}

bool IPlugBase::StateMatches(const IStateChunk& chunk, int pos)
{
    for (const auto& param : mParams) {
        double stored = 0.0;
        pos = chunk.GetDouble(&stored, pos);
        if (pos < 0)
            return false;
        if (!(std::fabs(static_cast<double>(static_cast<float>(param->ToNormalized())) - stored) <= 0.00001)) {
            return false;
        }
    }
    return true;
}

void IPlugBase::SetParamFromEditor(int index, double normalized)
{
    LockGuard lock(mLock);
    IParameter* param = GetParam(index);
    if (!param)
        return;
    param->SetFromNormalized(normalized);
    HostAutomate(index, normalized);
    ParameterChanged(index, 0);
}

void IPlugBase::BindEditor(IGraphics* editor)
{
    if (!editor)
        return;
    LockGuard lock(mLock);
    for (int i = 0; i < NParams(); ++i)
        editor->AcceptParamOnBind(i, mParams[static_cast<size_t>(i)]->ToNormalized());
    editor->PrepareDraw();
    mEditor.reset(editor);
    if (mHost)
        mHost->EditorBound(editor);
}

void IPlugBase::SetProcessingLatency(int frames)
{
    mLatency = frames;
    if (mHost)
        mHost->LatencyChanged(frames);
}

void IPlugBase::SyncEditorToParams()
{
    if (!mEditor)
        return;
    for (int i = 0; i < NParams(); ++i)
        mEditor->PushParamToControls(i, mParams[static_cast<size_t>(i)]->Value(), false);
}

bool IPlugBase::WriteBank(IStateChunk* chunk)
{
    return WriteState(chunk);
}

int IPlugBase::ReadBank(const IStateChunk& chunk, int pos)
{
    return ReadState(chunk, pos);
}

bool IPlugBase::ProgramNameOf(int index, char* text, int size)
{
    if (text && size > 0)
        text[0] = '\0';
    return index == 0;
}

void IPlugBase::SetMaxBlockSize(int frames)
{
    if (frames < 0)
        frames = 0;
    if (frames != mMaxBlockSize) {
        for (auto& channel : mInChannels)
            channel->scratch.assign(static_cast<size_t>(frames), 0.0);
        for (auto& channel : mOutChannels)
            channel->scratch.assign(static_cast<size_t>(frames), 0.0);
    }
    mMaxBlockSize = frames;
}

void IPlugBase::NotifyAllParamsChanged()
{
    for (int i = 0; i < NParams(); ++i)
        ParameterChanged(i, 0);
}

void IPlugBase::AutomateAllParams()
{
    LockGuard lock(mLock);
    for (int i = 0; i < NParams(); ++i)
        HostAutomate(i, mParams[static_cast<size_t>(i)]->ToNormalized());
}

void IPlugBase::WriteChunkHeader(IStateChunk* chunk)
{
    chunk->Clear();
    chunk->PutInt32(kStateChunkMagic);
    chunk->PutInt32(kStateChunkVersion);
}

int32_t IPlugBase::ReadChunkHeader(const IStateChunk& chunk, int* pos)
{
    int32_t tag = 0;
    const int afterTag = chunk.GetInt32(&tag, *pos);
    if (afterTag < 0 || tag != kStateChunkMagic)
        return 0;
    int32_t version = 0;
    *pos = chunk.GetInt32(&version, afterTag);
    return *pos < 0 ? 0 : version;
}

bool IPlugBase::SaveStateChunk(IStateChunk* chunk, bool program)
{
    LockGuard lock(mLock);
    WriteChunkHeader(chunk);
    const bool ok = program ? WriteState(chunk) : WriteBank(chunk);
    return ok && chunk->Size() > 0;
}

bool IPlugBase::LoadStateChunk(const IStateChunk& chunk, bool program)
{
    LockGuard lock(mLock);
    int pos = 0;
    const int32_t version = ReadChunkHeader(chunk, &pos);
    pos = !program && version >= kStateChunkVersion ? ReadBank(chunk, pos) : ReadState(chunk, pos);
    if (pos < 0)
        return false;
    SyncEditorToParams();
    return true;
}
