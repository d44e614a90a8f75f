// The host-neutral core of the plug-in: parameters, channels, the plug-in lock, what is known of the
// host, the editor binding, and the host's program entries (answered by the plug-in's own programs). A
// format layer (VST2, LV2) wraps the instrument, drives it through the virtual slots below (their order
// is part of the interface) and offers the host's services through IPlugHost.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "framework/plugin/IAudioChannel.h"
#include "framework/plugin/IMidiEvent.h"
#include "framework/plugin/IParameter.h"
#include "framework/plugin/IPlugHost.h"
#include "framework/plugin/IStateChunk.h"

class IGraphics;

// Four characters as one big-endian 32-bit code ('K', 'T', '4', 'R').
constexpr int32_t FourCharCode(char a, char b, char c, char d)
{
    return static_cast<int32_t>((static_cast<uint32_t>(static_cast<unsigned char>(a)) << 24) |
                                (static_cast<uint32_t>(static_cast<unsigned char>(b)) << 16) |
                                (static_cast<uint32_t>(static_cast<unsigned char>(c)) << 8) |
                                static_cast<uint32_t>(static_cast<unsigned char>(d)));
}

struct IPlugInfo {
    int nParams = 0;
    const char* channelPairings = ""; // "1-1 2-2": {inputs, outputs} pairs separated by one space
    const char* effectName = "";
    const char* productName = "";
    const char* vendorName = "";
    int32_t version = 0;  // major << 16 | minor << 8 | patch
    int32_t uniqueId = 0; // four characters, big-endian
    int32_t makerCode = 0;
    bool keepsStateChunks = true;
    bool isInstrument = true;
    bool takesMidi = true;
    // Names the build of the processing code this process runs (for example the instruction set it
    // was compiled for); asked when a host sends vst::kVendorBuildVariant. None: the query is declined.
    const char* (*buildVariant)() = nullptr;
};

class IPlugBase {
public:
    using Lock = std::recursive_mutex;
    using LockGuard = std::lock_guard<std::recursive_mutex>;

    static constexpr int32_t kStateChunkMagic = 0x70666674; // bytes "tffp" in file order
    static constexpr int32_t kStateChunkVersion = 0x00010000;
    static constexpr int kNameLen = 128;

    explicit IPlugBase(const IPlugInfo& info);
    IPlugBase(const IPlugBase&) = delete;
    IPlugBase& operator=(const IPlugBase&) = delete;

    // Each virtual below says who calls it, on which thread, under which lock (the plug-in lock,
    // Mutex()), and whether it may allocate. "Audio thread" calls must not allocate.

    // Slot 0. The host's close opcode, host UI thread, after the lock was taken and released.
    // Deletes the bound editor first, then parameters, program slots and channels; frees memory.
    virtual ~IPlugBase();

    // Slot 1. Host layer on the host UI thread, after a sample-rate or block-size change and after
    // deactivation; under the lock. Sets up processing for the stored rate and maximum block size; may allocate.
    virtual void ResetProcessing();
    // Slot 2. Any thread that changed parameter `index` (host automation on the audio thread, editor,
    // state load); under the lock. Must not allocate. The framework always passes source 0.
    virtual void ParameterChanged(int index, int source);
    // Slot 3. Host audio thread inside a process call, under the lock; must not allocate. Frames never
    // exceed the maximum block size. Default: copies input i to output i, zero-fills the other outputs.
    virtual void RenderDouble(double** inputs, double** outputs, int frames);
    // Slot 4. As slot 3 for float buffers; the host layer never calls it (it renders doubles).
    // Audio thread, under the lock; must not allocate.
    virtual void RenderFloat(float** inputs, float** outputs, int frames);
    // Slot 5. Host UI thread after the editor window opened; under the lock.
    // May allocate.
    virtual void EditorOpened() {}
    // Slot 6. Host UI thread before the editor window closes; under the lock.
    // May allocate.
    virtual void EditorClosed() {}
    // Slot 7. Unused hook, kept for the slot order.
    // Never called.
    virtual void ReservedHook7() {}
    // Slot 8. Host UI thread (mains changed); under the lock. Suspend or resume processing.
    // May allocate.
    virtual void SetActive(bool active);
    // Slot 9. Host audio thread inside a process call, before the sub-block the event falls in; the
    // offset is within that sub-block. Under the lock; must not allocate. Default: echoes the event.
    virtual void HandleMidiEvent(const IMidiEvent& event);
    // Slot 10. The thread delivering the host's events (effProcessEvents), at once; under the lock;
    // must not allocate. A SysEx message; its data lives only for the call.
    virtual void HandleSysExEvent(const ISysExEvent& event) {}
    // Slot 11. Host UI thread; under the lock; may allocate.
    // Names a MIDI key; default: empty text, false.
    virtual bool QueryMidiNoteName(int note, char* text);
    // Slot 12. Any thread but the audio thread; takes the lock; allocates (the chunk grows).
    // Appends the state; default: the parameter block.
    virtual bool WriteState(IStateChunk* chunk);
    // Slot 13. Any thread but the audio thread; takes the lock; may allocate.
    // Reads the state at pos; answers the next position or -1.
    virtual int ReadState(const IStateChunk& chunk, int pos);
    // Slot 14. Any thread; under the lock; allocates nothing.
    // True when the parameter block at pos matches the values.
    virtual bool StateMatches(const IStateChunk& chunk, int pos);
    // Slot 15. Host UI thread after the editor rectangle changed; under the lock.
    // May allocate.
    virtual void EditorResized() {}
    // Slot 16. Unused hook; answers false.
    // Never called.
    virtual bool EditorRefreshHook() { return false; }
    // Slot 17. Host UI thread at start-up, after the host was identified; under the lock.
    // May allocate.
    virtual void HostIdentified() {}
    // Slot 18. Editor thread: context menu for a parameter control; takes the lock if it needs state.
    // May allocate.
    virtual void ParamContextMenu(int index, int x, int y) {}
    // Slot 19. Editor thread; takes the lock. A control moved parameter `index` to `normalized`.
    // Allocates nothing beyond what ParameterChanged does.
    virtual void SetParamFromEditor(int index, double normalized);

    // Slots 20-28: host services, answered by the attached format layer (IPlugHost). Any thread, under the
    // lock; each is one call of the host and allocates nothing. Without a host: nothing happens and the
    // answers are neutral (not offline, position 0, tempo 0, no time signature, transport untouched).
    virtual void HostBeginEdit(int index);
    virtual void HostAutomate(int index, double normalized);
    virtual void HostEndEdit(int index);
    virtual void HostUpdateDisplay();
    virtual bool HostIsOffline();
    virtual int HostSamplePosition();
    virtual double HostTempo();
    virtual void HostTimeSignature(int* numerator, int* denominator);
    virtual void HostTransport(ITransportInfo* info);
    // Slot 29. Host UI thread; under the lock; allocates nothing.
    // Asks the attached host's product and version once and answers the host id (the stored id when
    // already known or when no host is attached).
    virtual int IdentifyHost();
    // Slot 30. Any thread, no lock needed (the code never changes); allocates nothing.
    // Answers the API code.
    virtual int ApiCode() { return mApiCode; }
    // Slot 31. Editor thread, after the editor changed its size; under the lock; allocates nothing.
    // Passed on to the attached host.
    virtual void EditorSizeChanged();
    // Slot 32. Host UI thread at open; under the lock.
    // May allocate. Passed on to the attached host.
    virtual void HostStartup();
    // Slot 33. Plug-in constructor or host UI thread; takes the lock; may allocate.
    // Takes ownership of the editor and tells the attached host.
    virtual void BindEditor(IGraphics* editor);
    // Slot 34. Any thread; under the lock; allocates nothing.
    // Stores the latency in frames and tells the attached host.
    virtual void SetProcessingLatency(int frames);
    // Slots 35, 36. Host audio thread (or any thread outside a process call), under the lock; allocate
    // nothing. MIDI and SysEx to the host, offsets within the sub-block being rendered; true when accepted
    // (false without a host).
    virtual bool EmitMidiEvent(const IMidiEvent& event);
    virtual bool EmitSysExEvent(const ISysExEvent& event);
    // Slot 37. Any thread but the audio thread; under the lock; allocates nothing.
    // Every parameter's plain value to the bound editor.
    virtual void SyncEditorToParams();
    // Slot 38. Any thread but the audio thread; under the lock; allocates (the chunk grows).
    // Appends the whole state; default: the parameter block.
    virtual bool WriteBank(IStateChunk* chunk);
    // Slot 39. Any thread but the audio thread; under the lock; allocates.
    // Reads the whole state; answers the next position or -1. Default: the parameter block.
    virtual int ReadBank(const IStateChunk& chunk, int pos);
    // Slot 40. Unused hook, kept for the slot order.
    // Never called.
    virtual void ReservedHook40() {}
    // Slot 41. Any thread but the audio thread; under the lock; may allocate.
    // The current program changed (selected or renamed).
    virtual void ProgramChanged() {}
    // Slot 42. Host UI thread; under the lock; allocates.
    // Resizes the channels' scratch buffers.
    virtual void SetMaxBlockSize(int frames);

    // The host's program list. Hosts walk it to build menus and read names at any time, so reading
    // never changes anything. Default: one program without a name.
    // Slot 43. Host UI thread at construction; no lock needed; allocates nothing. Entries in the list.
    virtual int ProgramCount() const { return 1; }
    // Slot 44. Host UI thread; under the lock; allocates nothing. The entry the host shows as current.
    virtual int CurrentProgram() { return 0; }
    // Slot 45. Host UI thread (set program); under the lock; allocates nothing once the plug-in is
    // built. The host chose entry index.
    virtual void SelectProgramFromHost(int index) {}
    // Slot 46. Host UI thread (set program name); under the lock; allocates nothing. Names the
    // current program.
    virtual void RenameProgramFromHost(const char* name) {}
    // Slot 47. Host UI thread; under the lock; allocates nothing. Copies the name of entry index
    // (at most size - 1 characters and a terminator); false for an index outside the list.
    virtual bool ProgramNameOf(int index, char* text, int size);
    // Slot 48. Host UI thread (a test host's vst::kVendorEngineInStep request), under the lock the
    // dispatcher holds; allocates nothing. Sets *matches to whether the engine's current values are
    // exactly what the parameters' values give; false (and *matches untouched) when there is no
    // engine to compare. Default: false.
    virtual bool CompareEngineWithParameters(bool* matches) { return false; }

    // Parameters.
    int NParams() const { return static_cast<int>(mParams.size()); }
    IParameter* GetParam(int index)
    {
        return index >= 0 && index < NParams() ? mParams[static_cast<size_t>(index)].get() : nullptr;
    }
    const IParameter* GetParam(int index) const
    {
        return index >= 0 && index < NParams() ? mParams[static_cast<size_t>(index)].get() : nullptr;
    }
    void NotifyAllParamsChanged();
    void AutomateAllParams();

    // The host's state chunk, in every format: the chunk header, then the whole state (WriteBank) or,
    // for program, the current program (WriteState). Any thread but the audio thread; under the lock;
    // allocates. False when a writer failed or wrote nothing.
    bool SaveStateChunk(IStateChunk* chunk, bool program);
    // Reads what SaveStateChunk wrote (a whole state with a header of the current version or later, else
    // a program) and refreshes the editor; false when it could not be read. The instrument's readers
    // decide what an unreadable chunk leaves changed. Same thread and lock as SaveStateChunk.
    bool LoadStateChunk(const IStateChunk& chunk, bool program);

    // Chunk header.
    static void WriteChunkHeader(IStateChunk* chunk);
    // Answers the version (0 when absent) and advances *pos (-1 when the tag runs into a short version).
    static int32_t ReadChunkHeader(const IStateChunk& chunk, int* pos);

    // Identity and host. The format layer attaches itself once the instrument is built (host UI thread,
    // before any other call) and detaches before it deletes the instrument; nullptr detaches.
    void AttachHost(IPlugHost* host) { mHost = host; }
    IPlugHost* Host() const { return mHost; }
    void StoreSampleRate(double rate) { mSampleRate = rate; }
    double SampleRate() const { return mSampleRate; }
    int MaxBlockSize() const { return mMaxBlockSize; }
    int Latency() const { return mLatency; }
    int32_t UniqueId() const { return mUniqueId; }
    int32_t MakerCode() const { return mMakerCode; }
    int32_t Version() const { return mVersion; }
    int HostVersion() const { return mHostVersion; }
    bool KeepsStateChunks() const { return mKeepsStateChunks; }
    bool IsInstrument() const { return mIsInstrument; }
    bool TakesMidi() const { return mTakesMidi; }
    const char* EffectName() const { return mEffectName; }
    const char* ProductName() const { return mProductName; }
    const char* BuildVariant() const { return mBuildVariant ? mBuildVariant() : nullptr; }
    const char* VendorName() const { return mVendorName; }
    IGraphics* Editor() const { return mEditor.get(); }

    // The plug-in lock: re-entrant, one per instance; every host entry holds it.
    Lock& Mutex() { return mLock; }

    // Channels.
    int NInChannels() const { return static_cast<int>(mInChannels.size()); }
    int NOutChannels() const { return static_cast<int>(mOutChannels.size()); }
    const std::vector<std::pair<int, int>>& ChannelPairings() const { return mChannelPairings; }

    // The channels as the format layer connects and fills them.
    IAudioChannel& InChannel(int i) { return *mInChannels[static_cast<size_t>(i)]; }
    IAudioChannel& OutChannel(int i) { return *mOutChannels[static_cast<size_t>(i)]; }
    double** InputPointers() { return mInPointers.empty() ? nullptr : mInPointers.data(); }
    double** OutputPointers() { return mOutPointers.empty() ? nullptr : mOutPointers.data(); }

protected:
    void SetHostIdentity(int id, int version)
    {
        mHostId = id;
        mHostVersion = version;
    }
    int StoredHostId() const { return mHostId; }

private:
    IPlugHost* mHost = nullptr;
    std::vector<std::pair<int, int>> mChannelPairings;
    Lock mLock;
    int32_t mUniqueId;
    int32_t mMakerCode;
    int32_t mVersion;
    int32_t mApiCode = 0;
    int mHostId = -1;
    int mHostVersion = 0;
    bool mKeepsStateChunks;
    bool mIsInstrument;
    bool mTakesMidi;
    const char* (*mBuildVariant)();
    double mSampleRate = 44100.0;
    int mMaxBlockSize = 0;
    int mLatency = 0;
    std::vector<std::unique_ptr<IParameter>> mParams;
    std::unique_ptr<IGraphics> mEditor;
    std::vector<double*> mInPointers;
    std::vector<double*> mOutPointers;
    std::vector<std::unique_ptr<IAudioChannel>> mInChannels;
    std::vector<std::unique_ptr<IAudioChannel>> mOutChannels;
    char mEffectName[kNameLen] = {};
    char mProductName[kNameLen] = {};
    char mVendorName[kNameLen] = {};
};
