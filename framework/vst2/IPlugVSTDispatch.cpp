// Dispatcher opcodes, state chunks, text queries and channel layouts. Host UI thread (effProcessEvents
// also from the audio thread), under the plug-in lock taken by the dispatcher entry.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "framework/graphics/IGraphics.h"
#include "framework/vst2/IPlugVST.h"

namespace {

constexpr intptr_t kVendorAnswer = 0xBEEF;
constexpr intptr_t kExtensionAnswer = static_cast<intptr_t>(0xBEEF0000);
constexpr intptr_t kIdentifyAnswer = 0x4E764566; // "NvEf"
constexpr intptr_t kVstVersion = 2400;

int ArrangementType(int channels)
{
    switch (channels) {
    case 0: return vst::kSpeakerArrEmpty;
    case 1: return vst::kSpeakerArrMono;
    case 2: return vst::kSpeakerArrStereo;
    default: return vst::kSpeakerArrUserDefined;
    }
}

// Reads a whole decimal number; false for an empty, partly numeric or non-finite text.
bool ParseNumber(const char* text, double* value)
{
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    if (end == text || !std::isfinite(v))
        return false;
    *value = v;
    return true;
}

} // namespace

intptr_t IPlugVST::Dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt)
{
    if (opcode < 0 || opcode > vst::effLastKnownOpcode)
        return 0;
    char* text = static_cast<char*>(ptr);
    switch (opcode) {
    case vst::effOpen:
        HostStartup();
        mPlug->NotifyAllParamsChanged();
        return 0;
    case vst::effSetProgram:
        if (value >= 0 && value < mPlug->ProgramCount())
            mPlug->SelectProgramFromHost(static_cast<int>(value));
        return 0;
    case vst::effGetProgram: return mPlug->CurrentProgram();
    case vst::effSetProgramName:
        if (text)
            mPlug->RenameProgramFromHost(text);
        return 0;
    case vst::effGetProgramName:
        mPlug->ProgramNameOf(mPlug->CurrentProgram(), text, vst::kMaxProgNameLen);
        return 0;
    case vst::effGetParamLabel:
        if (const IParameter* param = mPlug->GetParam(index))
            CopyText(text, param->LabelForDisplay(), vst::kParamTextCopyLen);
        return 0;
    case vst::effGetParamDisplay:
        if (const IParameter* param = mPlug->GetParam(index)) {
            if (text)
                param->FormatValue(param->Value(), false, true, text, vst::kParamTextCopyLen);
        }
        return 0;
    case vst::effGetParamName:
        if (const IParameter* param = mPlug->GetParam(index))
            CopyText(text, param->Name(), vst::kParamTextCopyLen);
        return 0;
    case vst::effSetSampleRate: {
        // Only rates an audio interface runs at are taken; any other (not finite, not positive, or so
        // high that delay lengths in samples overflow) is refused: the previous rate stays and nothing
        // is reset.
        constexpr float kLowestRate = 8000.0f;
        constexpr float kHighestRate = 768000.0f;
        if (!(opt >= kLowestRate && opt <= kHighestRate))
            return 0;
        mPlug->StoreSampleRate(static_cast<double>(opt));
        mPlug->ResetProcessing();
        return 0;
    }
    case vst::effSetBlockSize: {
        const intptr_t frames = std::clamp<intptr_t>(value, 0, kMaxSupportedBlockSize);
        mPlug->SetMaxBlockSize(static_cast<int>(frames));
        mPlug->ResetProcessing();
        return 0;
    }
    case vst::effMainsChanged:
        if (value != 0) {
            mPlug->SetActive(true);
        } else {
            mPlug->SetActive(false);
            mPlug->ResetProcessing();
        }
        return 0;
    case vst::effEditGetRect:
        if (ptr && mPlug->Editor()) {
            // The size the window will have: the scale is chosen now unless a window is open.
            mPlug->Editor()->ApplyScalePreference();
            EditorSizeChanged();
            *static_cast<vst::Rect**>(ptr) = &mEditorRect;
            return 1;
        }
        return 0;
    case vst::effEditOpen:
        if (IGraphics* editor = mPlug->Editor()) {
            if (editor->OpenWindow(ptr)) {
                mPlug->EditorOpened();
                return 1;
            }
        }
        return 0;
    case vst::effEditClose:
        if (IGraphics* editor = mPlug->Editor()) {
            mPlug->EditorClosed();
            editor->CloseWindow();
            return 1;
        }
        return 0;
    case vst::effEditIdle:
        // Reached only by a direct call: hosts' calls go to EditorIdleEntry, outside the lock.
        if (IGraphics* editor = mPlug->Editor())
            editor->Idle();
        return 0;
    case vst::effIdentify: return kIdentifyAnswer;
    case vst::effGetChunk: return GetChunk(index, ptr);
    case vst::effSetChunk: return SetChunk(index, value, ptr);
    case vst::effProcessEvents: return ProcessEvents(static_cast<const vst::Events*>(ptr));
    case vst::effCanBeAutomated: return 1;
    case vst::effString2Parameter: return StringToParameter(index, text);
    case vst::effGetProgramNameIndexed: return mPlug->ProgramNameOf(index, text, vst::kMaxProgNameLen) ? 1 : 0;
    case vst::effGetInputProperties: return ChannelProperties(true, index, static_cast<vst::PinProperties*>(ptr));
    case vst::effGetOutputProperties: return ChannelProperties(false, index, static_cast<vst::PinProperties*>(ptr));
    case vst::effGetPlugCategory: return mPlug->IsInstrument() ? vst::kPlugCategSynth : vst::kPlugCategEffect;
    case vst::effProcessVarIo: return 0;
    case vst::effSetSpeakerArrangement:
        SetSpeakerArrangement(reinterpret_cast<const vst::SpeakerArrangement*>(value),
                              static_cast<const vst::SpeakerArrangement*>(ptr));
        return 1;
    case vst::effGetEffectName:
        if (!text)
            return 0;
        CopyText(text, mPlug->EffectName(), vst::kMaxEffectNameLen);
        return 1;
    case vst::effGetVendorString:
        if (!text)
            return 0;
        CopyText(text, mPlug->VendorName(), vst::kMaxVendorStrLen);
        return 1;
    case vst::effGetProductString:
        if (!text)
            return 0;
        CopyText(text, mPlug->ProductName(), vst::kMaxProductStrLen);
        return 1;
    case vst::effVendorSpecific: return VendorSpecific(index, value, text, opt);
    case vst::effCanDo: return CanDo(text);
    case vst::effGetVstVersion: return kVstVersion;
    case vst::effGetMidiKeyName: {
        auto* key = static_cast<vst::MidiKeyName*>(ptr);
        if (!key)
            return 0;
        key->keyName[0] = '\0';
        return mPlug->QueryMidiNoteName(key->thisKeyNumber, key->keyName) ? 1 : 0;
    }
    case vst::effGetSpeakerArrangement:
        if (value)
            *reinterpret_cast<vst::SpeakerArrangement**>(value) = &mInputArrangement;
        if (ptr)
            *static_cast<vst::SpeakerArrangement**>(ptr) = &mOutputArrangement;
        return 1;
    default: return 0;
    }
}

intptr_t IPlugVST::GetChunk(int32_t index, void* ptr)
{
    const bool program = index != 0;
    IStateChunk& chunk = program ? mProgramChunk : mBankChunk;
    if (!mPlug->SaveStateChunk(&chunk, program) || !ptr)
        return 0;
    *static_cast<void**>(ptr) = chunk.Data();
    return chunk.Size();
}

intptr_t IPlugVST::SetChunk(int32_t index, intptr_t size, const void* ptr)
{
    if (size < 0 || size > INT32_MAX || (size > 0 && !ptr))
        return 0;
    const bool program = index != 0;
    IStateChunk& chunk = program ? mProgramChunk : mBankChunk;
    chunk.Resize(static_cast<int>(size));
    // A host may hand back the very buffer effGetChunk gave it (the same size, so it stays in place).
    if (size > 0)
        std::memmove(chunk.Data(), ptr, static_cast<size_t>(size));
    return mPlug->LoadStateChunk(chunk, program) ? 1 : 0;
}

intptr_t IPlugVST::StringToParameter(int32_t index, const char* text)
{
    IParameter* param = mPlug->GetParam(index);
    if (!param)
        return 0;
    if (!text)
        return 1;
    double value = 0.0;
    if (param->DisplayTextCount() > 0) {
        if (!param->MapDisplayText(text, &value))
            return 0;
    } else {
        if (!ParseNumber(text, &value))
            return 0;
        if (param->NegateDisplay())
            value = -value;
    }
    if (IGraphics* editor = mPlug->Editor())
        editor->PushParamToControls(index, value, false);
    param->SetPlain(value);
    mPlug->ParameterChanged(index, 0);
    return 1;
}

intptr_t IPlugVST::ChannelProperties(bool input, int32_t index, vst::PinProperties* props)
{
    const int count = input ? mPlug->NInChannels() : mPlug->NOutChannels();
    if (!props || index < 0 || index >= count)
        return 0;
    props->flags = vst::kPinIsActive;
    if (index % 2 == 0 && index < count - 1)
        props->flags |= vst::kPinIsStereo;
    const IAudioChannel& channel = input ? mPlug->InChannel(index) : mPlug->OutChannel(index);
    std::memset(props->label, 0, sizeof props->label);
    if (!channel.label.empty()) {
        CopyText(props->label, channel.label.c_str(), sizeof props->label);
    } else {
        std::snprintf(props->label, sizeof props->label, input ? "Input %d" : "Output %d", index + 1);
    }
    return 1;
}

intptr_t IPlugVST::VendorSpecific(int32_t subCode, intptr_t paramIndex, char* text, float opt)
{
    const bool validIndex = paramIndex >= 0 && paramIndex < mPlug->NParams();
    const IParameter* param = validIndex ? mPlug->GetParam(static_cast<int>(paramIndex)) : nullptr;
    switch (subCode) {
    case 7: // value text for a normalised value
        if (!text)
            return 0;
        if (param)
            param->FormatValue(static_cast<double>(opt), true, true, text, vst::kParamTextCopyLen);
        return kVendorAnswer;
    case 27: { // plain text to normalised text
        if (!text || !param)
            return 0;
        double value = 0.0;
        if (!ParseNumber(text, &value))
            value = 0.0;
        std::snprintf(text, vst::kParamTextCopyLen, "%f", param->ToNormalized(value));
        return kVendorAnswer;
    }
    case 8: // answers whether the parameter is stepped
        if (!param)
            return 0;
        return param->GetType() == IParameter::kTypeDouble ? 0 : kVendorAnswer;
    case vst::kVendorBuildVariant: {
        const char* variant = mPlug->BuildVariant();
        if (!text || !variant)
            return 0;
        CopyText(text, variant, vst::kMaxProductStrLen);
        return 1;
    }
    case vst::kVendorEditorMouse: return EditorMouseRequest(reinterpret_cast<const vst::EditorMouseAction*>(text));
    case vst::kVendorEditorPng: return EditorPictureRequest(text);
    case vst::kVendorEditorScale: return EditorScaleRequest(opt);
    case vst::kVendorEngineInStep: {
        bool matches = false;
        if (!mPlug->CompareEngineWithParameters(&matches))
            return 0;
        return matches ? 1 : 2;
    }
    default: return 0;
    }
}

intptr_t IPlugVST::EditorMouseRequest(const vst::EditorMouseAction* action)
{
    IGraphics* editor = mPlug->Editor();
    if (!editor || !action)
        return 0;
    IMouseMod mods;
    mods.L = (action->modifiers & vst::kModLeft) != 0;
    mods.R = (action->modifiers & vst::kModRight) != 0;
    mods.S = (action->modifiers & vst::kModShift) != 0;
    mods.C = (action->modifiers & vst::kModControl) != 0;
    mods.A = (action->modifiers & vst::kModAlt) != 0;
    const int x = action->x;
    const int y = action->y;
    switch (action->kind) {
    case vst::kMouseDown: editor->OnMouseDown(x, y, mods); break;
    case vst::kMouseUp: editor->OnMouseUp(x, y, mods); break;
    case vst::kMouseDrag: editor->OnMouseDrag(x, y, mods); break;
    case vst::kMouseDoubleClick: editor->OnMouseDblClick(x, y, mods); break;
    case vst::kMouseWheel: editor->OnMouseWheel(x, y, mods, action->delta); break;
    case vst::kMouseOver: editor->OnMouseOver(x, y, mods); break;
    default: return 0;
    }
    editor->OnTimer();
    return 1;
}

intptr_t IPlugVST::EditorScaleRequest(float scale)
{
    IGraphics* editor = mPlug->Editor();
    if (!editor || editor->WindowHandle())
        return 0;
    // The scale becomes the editor's choice, so that the host's next size query keeps it.
    editor->SetScalePreference(NearestPanelScale(scale));
    editor->ApplyScalePreference();
    EditorSizeChanged();
    return 1;
}

intptr_t IPlugVST::EditorPictureRequest(const char* path)
{
    IGraphics* editor = mPlug->Editor();
    if (!editor || !path || !*path)
        return 0;
    editor->OnTimer();
    editor->SetAllControlsDirty();
    editor->Draw(IRECT(0, 0, editor->Width(), editor->Height()));
    return LICE_WritePNG(path, editor->BackBuffer()) ? 1 : 0;
}

intptr_t IPlugVST::CanDo(const char* text)
{
    if (!text)
        return 0;
    if (std::strcmp(text, "receiveVstTimeInfo") == 0)
        return 1;
    if (mPlug->TakesMidi()) {
        static const char* const kMidiCanDos[] = {"sendVstEvents", "sendVstMidiEvent", "receiveVstEvents",
                                                  "receiveVstMidiEvent"};
        for (const char* canDo : kMidiCanDos) {
            if (std::strcmp(text, canDo) == 0)
                return 1;
        }
    }
    if (std::strcmp(text, "hasCockosExtensions") == 0) {
        mHostExtensions |= 1;
        return kExtensionAnswer;
    }
    if (std::strcmp(text, "hasCockosViewAsConfig") == 0) {
        mHostExtensions |= 2;
        return kExtensionAnswer;
    }
    return 0;
}

void IPlugVST::SetSpeakerArrangement(const vst::SpeakerArrangement* in, const vst::SpeakerArrangement* out)
{
    if (in) {
        const int n = std::max(0, in->numChannels);
        for (int i = 0; i < mPlug->NInChannels(); ++i) {
            IAudioChannel& channel = mPlug->InChannel(i);
            channel.connected = i < n;
            if (!channel.connected)
                *channel.pointerSlot = channel.scratch.data();
        }
    }
    if (out) {
        const int n = std::max(0, out->numChannels);
        for (int i = 0; i < mPlug->NOutChannels(); ++i) {
            IAudioChannel& channel = mPlug->OutChannel(i);
            channel.connected = i < n;
            if (!channel.connected)
                *channel.pointerSlot = channel.scratch.data();
        }
    }
}

void IPlugVST::UpdateArrangements()
{
    mRecord.numInputs = mPlug->NInChannels();
    mRecord.numOutputs = mPlug->NOutChannels();
    mInputArrangement = vst::SpeakerArrangement{};
    mOutputArrangement = vst::SpeakerArrangement{};
    mInputArrangement.type = ArrangementType(mPlug->NInChannels());
    mInputArrangement.numChannels = mPlug->NInChannels();
    mOutputArrangement.type = ArrangementType(mPlug->NOutChannels());
    mOutputArrangement.numChannels = mPlug->NOutChannels();
}
