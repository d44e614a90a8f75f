// MIDI learn: which controller moves which patch parameter, between which bounds, and the learning
// state of the editor's learn page that assigns them.
#pragma once

#include <cstdint>
#include <string>

#include "framework/plugin/IStateChunk.h"
#include "instrument/MidiLearnTable.h"

// What the map asks of the instrument. Every call comes from the map's own caller, on that caller's
// thread and under the plug-in's lock; calls made from ApplyController and LearnController arrive on
// the audio thread and must not allocate.
class MidiLearnTarget {
public:
    // A learned controller moved id (0-69) to the normalised value (0..1, finite): the external-set
    // path (value stored, host informed, change path, program edited, control moved, readout shown)
    // and, when the engine listens on channel, a parameter event at the frame offset.
    virtual void SetFromMidiLearn(int id, double normalized, int offset, int channel) = 0;
    // "Use Default ML map" (id 97) on or off.
    virtual void SetUseDefaultMap(bool on) = 0;

    // The learn page's displays. armed: the page is shown with "ML Min" 0, "ML Max" 1 and no parameter
    // name; not armed: the standard page returns.
    virtual void ShowLearnPage(bool armed) {}
    // The controller display: "CC =" for key > 0, "NRPN =" for key < 0, "NONE" for 0.
    virtual void ShowController(int32_t key) {}
    // The parameter display: the readout label of id (" NONE " for -1) and the bound displays.
    virtual void ShowParam(int id, double min, double max) {}

protected:
    ~MidiLearnTarget() = default;
};

class MidiLearnMap {
public:
    // target outlives the map.
    explicit MidiLearnMap(MidiLearnTarget& target);
    MidiLearnMap(const MidiLearnMap&) = delete;
    MidiLearnMap& operator=(const MidiLearnMap&) = delete;

    // ---- Learning (editor thread, except LearnController) ----

    // A right-click on a control: the learn page opens, the pending state is cleared and, when the
    // control has a parameter (0-69), it is offered as with SelectParam.
    void Arm(int id);
    // While armed (ignored otherwise), every change of a patch id offers it as the target; the bounds become the entry's,
    // and a controller the entry already has becomes the pending one.
    void SelectParam(int id);
    // Audio thread, while armed (ignored otherwise), before ApplyController: a control change (0-127) becomes the pending
    // controller and, with a target chosen, is assigned. The data-entry and (N)RPN numbers 6, 38,
    // 98-101 are not learned. Allocates nothing.
    void LearnController(int cc) noexcept;
    // The pending assignment, when both halves are present, is stored. Learning stays armed with the
    // same parameter, so a further controller re-assigns it. Allocates nothing.
    void Commit() noexcept;
    // Bounds for the next assignment ("ML Min" id 75, "ML Max" id 76); a non-finite value leaves its
    // bound as it was, finite ones are kept within 0..1. A minimum above the maximum reverses the
    // controller's direction.
    void SetBounds(double min, double max);
    // A learn-page command: 85 (only while armed; otherwise it is the program INIT, answered false),
    // 93 clear, 95 keep in program, 96 make default. True when the id was a command of the map.
    bool Command(int id);

    // ---- Entries ----

    // Stores entry at entry.paramId and moves that id to the end of its key's list; ignored for
    // entries IsUsableEntry rejects. Allocates nothing.
    void SetEntry(const MidiLearnEntry& entry) noexcept;
    void ClearEntry(int id) noexcept;
    // Every entry fresh, pending state cleared.
    void Reset();
    void CancelPending() noexcept;
    // Each key's list holds every id that carries it, in id order.
    void RebuildKeyLists() noexcept;

    // ---- Control changes (audio thread, allocates nothing) ----

    // Every id learned to cc, in the order it was assigned, takes min + range * value / 127 (single
    // precision, within 0..1) through the target. The modulation wheel's engine event is the caller's.
    void ApplyController(int offset, int channel, int cc, int value) noexcept;

    // ---- Storage (editor or host thread) ----

    // Program data: the live map, or a fresh one when the program uses the default map.
    bool WriteMapBlock(IStateChunk& chunk, bool useDefaultMap, MidiLearnBlock layout = MidiLearnBlock::kEntries) const;
    // Reads the block; answers the position after it, or -1 with nothing changed when it is short. A
    // block whose usable keys sum to non-zero becomes the live map (default map off); otherwise the
    // default table does (default map on). Unusable entries are left out.
    int ReadMapBlock(const IStateChunk& chunk, int pos, MidiLearnBlock layout = MidiLearnBlock::kEntries);
    // The default table from the map file (start-up): beside the library, else in the user folder;
    // false when there is none. The table read is what WriteMapFile compares with.
    bool ReadMapFile(const SharedFolders& folders);
    bool ReadMapFile(const std::string& libraryFolder) { return ReadMapFile(FoldersBeside(libraryFolder)); }
    // Exit: the default entries changed since ReadMapFile, merged into the map file as it is now
    // (UpdateMidiLearnFile); nothing is written when the default map was not changed. True when the
    // file was written.
    bool WriteMapFile(const SharedFolders& folders);
    bool WriteMapFile(const std::string& libraryFolder) { return WriteMapFile(FoldersBeside(libraryFolder)); }

    // ---- State ----

    bool Armed() const { return mArmed; }
    int PendingParam() const { return mParam; }
    bool HasParam() const { return mHasParam; }
    bool HasController() const { return mHasController; }
    double BoundMin() const { return mMin; }
    double BoundMax() const { return mMax; }
    const MidiLearnEntry& Entry(int id) const;
    const MidiLearnTable& Table() const { return mTable; }
    const MidiLearnTable& DefaultTable() const { return mDefaultTable; }
    // The ids cc drives, in list order, into ids (room for kMidiLearnEntries); answers the count.
    int IdsForKey(int32_t key, int* ids) const noexcept;

private:
    void Disarm();
    void ShowNothingPending();

    MidiLearnTarget& mTarget;
    bool mArmed = false;
    int mParam = kt4r::kNoParamId;
    int32_t mPendingCC = 0;
    int32_t mPendingNrpn = 0;
    uint8_t mPendingFlag = 0;
    bool mHasParam = false;
    bool mHasController = false;
    double mMin = 0.0;
    double mMax = 1.0;

    MidiLearnTable mTable{};
    MidiLearnTable mDefaultTable{};
    MidiLearnTable mDefaultAsRead{}; // the default table as the map file gave it (or last wrote it)
    // Key lists: an id with a non-zero key is in that key's list; its place is the order in which it
    // joined (larger joined later), so the lists need no storage of their own and never allocate.
    uint64_t mJoined[kMidiLearnEntries] = {};
    uint64_t mJoinCounter = 0;
};
