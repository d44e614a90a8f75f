#include "engine/KeyAssigner.h"

#include "blocks/LFO.h"
#include "engine/Kt4rVoice.h"
#include "engine/Midi2CV.h"

using enum KeyMode;

void KeyAssigner::PushNote(Midi2CV& m, int time, uint8_t status, int note, int velocity) noexcept
{
    if (note < 0 || note > 127)
        return;
    m.mQueue.Push(mVoiceEvents.Make(time, status, static_cast<uint8_t>(note), static_cast<uint8_t>(velocity & 0x7F)));
}

KeyAssigner::KeyAssigner()
{
    for (int32_t& v : mNoteToVoice)
        v = -1;
}

int KeyAssigner::VoiceForNote(int note) const noexcept
{
    return note >= 0 && note < kNotes ? mNoteToVoice[note] : -1;
}

void KeyAssigner::AddVoice(Kt4rVoice* voice) noexcept
{
    if (mNumVoices >= kMaxVoices)
        return;
    mVoices[mNumVoices] = voice;
    mActiveSet.reset(static_cast<size_t>(mNumVoices));
    ++mNumVoices;
    FitVoices();
}

void KeyAssigner::RemoveVoice(Kt4rVoice* voice) noexcept
{
    for (int i = 0; i < mNumVoices; ++i) {
        if (mVoices[i] != voice)
            continue;
        for (int j = i + 1; j < mNumVoices; ++j)
            mVoices[j - 1] = mVoices[j];
        --mNumVoices;
        mVoices[mNumVoices] = nullptr;
        mActiveSet.reset(static_cast<size_t>(mNumVoices));
        // Notes that pointed at the removed slot have lost their voice.
        for (int32_t& v : mNoteToVoice)
            if (v >= mNumVoices)
                v = -1;
        FitVoices();
        return;
    }
}

// Keeps the current key mode valid over a changed set of voices, so that the assigner can play at
// once, before and without a key-mode change.
void KeyAssigner::FitVoices() noexcept
{
    mVoicesInUse = VoicesInUseFor(mKeyMode);
    mOrder.Rebuild(mVoicesInUse);
    // Voices still holding a key stay busy: the next notes go to the free and the new voices first
    // instead of cutting a held note.
    for (int v = 0; v < mVoicesInUse && v < mNumVoices; ++v)
        if (mVoices[v]->NoteInput().mKeyDown)
            mOrder.AppendBusy(v);
    ApplyVoiceFlags();
}

void KeyAssigner::ClearFifos() noexcept
{
    for (NoteFifo& f : mFifos)
        f.head = f.count = 0;
    mHeldCount = 0;
}

void KeyAssigner::ProcessBlock(int frames) noexcept
{
    (void)frames;
    // A release requested by a key-mode change ends the keys still down before this block's own
    // notes start, so a note played right after a program change is not cut off at the block's end.
    if (mReleaseAllPending) {
        mReleaseAllPending = 0;
        for (int v = 0; v < mNumVoices; ++v) {
            Midi2CV& m = mVoices[v]->NoteInput();
            if (m.mKeyDown) {
                ReleaseVoice(v);
                mActiveSet.reset(static_cast<size_t>(v));
            }
            if (!m.mSounding)
                m.mNote = -1;
        }
    }
    while (auto event = mInput.Pop()) {
        if (event->mKind != kMidiEventKind)
            continue;
        MidiEvent& e = static_cast<MidiEvent&>(*event);
        // Data bytes have seven bits; a message with a larger one is malformed and changes nothing.
        if (e.mData1 > 127 || e.mData2 > 127)
            continue;
        if ((e.mStatus & 0xF0) == 0x90 && e.mData2 == 0)
            e.mStatus &= 0x8F;
        switch (e.mStatus & 0xF0) {
        case 0x80: NoteOff(e); break;
        case 0x90: NoteOn(e); break;
        case 0xB0: ControlChange(e); break;
        default: break;
        }
    }
}

void KeyAssigner::NoteOff(const MidiEvent& e) noexcept
{
    const int k = e.mData1;
    int v = -1;
    NoteFifo& fifo = mFifos[k];
    if (fifo.count > 0) {
        v = fifo.items[fifo.head];
        fifo.head = static_cast<uint8_t>((fifo.head + 1) % NoteFifo::kCapacity);
        --fifo.count;
        --mHeldCount;
    }
    if (IsMono())
        v = 0;
    else if (v < 0)
        return;
    if (v >= mVoicesInUse || v >= mNumVoices || !mVoices[v]->NoteInput().mKeyDown)
        return;

    mOrder.MarkFree(v);
    const int fallback = ForwardNoteOff(v, e.mTime, k, e.mData2);
    mActiveSet.reset(static_cast<size_t>(v));
    if (IsMono() && fallback >= 0) {
        mNoteToVoice[fallback] = v;
        mNoteToVoice[k] = -1;
    }

    const int n = mNumVoices;
    if (mKeyMode == kUnison1 || mKeyMode == kUnison2) {
        const int copy = n / 2 + v;
        if (copy < n) {
            ForwardNoteOff(copy, e.mTime, mKeyMode == kUnison2 ? OctaveDown(k) : k, e.mData2);
            mActiveSet.reset(static_cast<size_t>(copy));
        }
    } else if (mKeyMode == kMono2 && n >= 2) {
        for (int c = 1; c < n; ++c) {
            ForwardNoteOff(c, e.mTime, k, e.mData2);
            mActiveSet.reset(static_cast<size_t>(c));
        }
    }
}

void KeyAssigner::NoteOn(const MidiEvent& e) noexcept
{
    const int k = e.mData1;
    const int w = e.mData2;
    if (mNumVoices <= 0)
        return;
    if (mActiveSet.none() && mLfo)
        mLfo->NoteStartsFromSilence(e.mTime);

    int v;
    if (IsMono()) {
        mOrder.Take(0);
        v = 0;
    } else if (mCyclic) {
        v = mOrder.TakeHead();
    } else if (mPortamentoCyclic) {
        if (mActiveSet.none())
            mOrder.Rebuild(mVoicesInUse);
        v = mOrder.TakeHead();
    } else {
        v = mNoteToVoice[k] != -1 ? mOrder.Take(mNoteToVoice[k]) : -1;
        if (v < 0)
            v = mOrder.TakeHead();
    }
    if (v < 0 || v >= mNumVoices)
        return;

    mNoteToVoice[k] = v;
    NoteFifo& fifo = mFifos[k];
    if (fifo.count < NoteFifo::kCapacity) {
        fifo.items[(fifo.head + fifo.count) % NoteFifo::kCapacity] = static_cast<int8_t>(v);
        ++fifo.count;
        ++mHeldCount;
    }
    if (!mCyclic && !mPortamentoCyclic) {
        const int c = mVoices[v]->NoteInput().mNote;
        if (c >= 0 && c < kNotes && c != k)
            mNoteToVoice[c] = -1;
    }
    mLastVoice = v;
    mOrder.AppendBusy(v);
    StartVoice(v, e.mTime, k, w);

    const int n = mNumVoices;
    if (mKeyMode == kUnison1 || mKeyMode == kUnison2) {
        const int copy = n / 2 + v;
        if (copy < n)
            StartVoice(copy, e.mTime, mKeyMode == kUnison2 ? OctaveDown(k) : k, w);
    } else if (mKeyMode == kMono2 && n >= 2) {
        for (int c = 1; c < n; ++c)
            StartVoice(c, e.mTime, k, w);
    }
}

void KeyAssigner::StartVoice(int v, int time, int note, int velocity) noexcept
{
    Kt4rVoice& voice = *mVoices[v];
    Midi2CV& m = voice.NoteInput();
    voice.mActive = 1;
    m.mKeyDown = 1;
    m.mSounding = true;
    m.mNote = note;
    m.mVelocity = velocity;
    PushNote(m, time, 0x90, note, velocity);
    if (m.mMonoList)
        m.mHeld.Insert(note, velocity);
    if (m.mSustain)
        m.mHeldBySustain = 1;
    mActiveSet.set(static_cast<size_t>(v));
}

int KeyAssigner::ForwardNoteOff(int v, int time, int note, int velocity) noexcept
{
    Midi2CV& m = mVoices[v]->NoteInput();
    m.mKeyDown = 0;
    if (!m.mMonoList || m.mHeld.Count() <= 1) {
        if (!m.mSustain) {
            m.mSounding = false;
            PushNote(m, time, 0x80, note, velocity);
        }
        if (m.mMonoList)
            m.mHeld.Remove(note);
        return -1;
    }
    if (note != m.mNote) {
        // A held note that is not sounding was let go: nothing audible changes.
        m.mHeld.Remove(note);
        m.mKeyDown = 1;
        return m.mNote;
    }
    PushNote(m, time, 0x80, note, velocity);
    m.mHeld.Remove(note);
    const HeldNote& h = m.mHeld.Head();
    m.mNote = h.note;
    m.mVelocity = h.velocity;
    PushNote(m, time, 0x90, m.mNote, m.mVelocity);
    m.mKeyDown = 1;
    return m.mNote;
}

// Ends whatever voice v plays now, whatever the pedal and the held-note list say: used by all-notes-off
// and by a key-mode change, which must leave no key hanging.
void KeyAssigner::ReleaseVoice(int v, int time) noexcept
{
    Midi2CV& m = mVoices[v]->NoteInput();
    PushNote(m, time, 0x80, m.mNote, 0);
    m.mKeyDown = 0;
    m.mSounding = false;
    m.mHeldBySustain = 0;
    m.mHeld.Clear();
}

void KeyAssigner::ControlChange(const MidiEvent& e) noexcept
{
    const int c = e.mData1;
    const int x = static_cast<int8_t>(e.mData2);
    if (c == 64) {
        const bool pressed = x > 64;
        mSustain = pressed;
        for (int v = 0; v < mNumVoices; ++v) {
            Midi2CV& m = mVoices[v]->NoteInput();
            m.mSustain = pressed;
            if (!pressed) {
                if (m.mHeldBySustain && !m.mKeyDown)
                    ForwardNoteOff(v, e.mTime, m.mNote, m.mVelocity);
                m.mHeldBySustain = 0;
            } else if (m.mSounding) {
                m.mHeldBySustain = 1;
            }
        }
    } else if (c == 120 || c == 123) {
        for (int v = 0; v < mNumVoices; ++v) {
            Kt4rVoice& voice = *mVoices[v];
            if (voice.mActive || voice.NoteInput().mSounding) {
                ReleaseVoice(v, e.mTime);
                mActiveSet.reset(static_cast<size_t>(v));
            }
        }
        ClearFifos();
    }
}

void KeyAssigner::ReleaseAllVoices() noexcept
{
    for (int v = 0; v < mNumVoices; ++v) {
        Midi2CV& m = mVoices[v]->NoteInput();
        if (m.mKeyDown) {
            // This runs between the key assignment and the render of a block: a note-on already
            // routed to the voice for later in the block would land behind the release and start a
            // note nobody can end, so it is withdrawn.
            m.mQueue.Clear();
            ReleaseVoice(v, 0);
            mActiveSet.reset(static_cast<size_t>(v));
        }
        if (!m.mSounding)
            m.mNote = -1;
    }
    mReleaseAllPending = 0;
}

int KeyAssigner::VoicesInUseFor(KeyMode mode) const noexcept
{
    if (mode == kPoly1 || mode == kPoly2)
        return mNumVoices;
    if (mode == kUnison1 || mode == kUnison2)
        return mNumVoices / 2;
    return 1;
}

void KeyAssigner::EnsureKeyMode(KeyMode mode) noexcept
{
    if (mode != mKeyMode)
        SetKeyMode(mode);
}

void KeyAssigner::SetKeyMode(KeyMode mode) noexcept
{
    if (static_cast<int>(mode) < static_cast<int>(kPoly1) || static_cast<int>(mode) > static_cast<int>(kMono2))
        mode = kPoly1;
    mMono = 0;
    ReleaseAllVoices();
    mCyclic = mode == kPoly2;
    mMono = mode == kMono1 || mode == kMono2;
    mVoicesInUse = VoicesInUseFor(mode);
    mKeyMode = mode;
    mOrder.Rebuild(mVoicesInUse);
    mReleaseAllPending = 1;
    for (int32_t& v : mNoteToVoice)
        v = -1;
    ClearFifos();
    ApplyVoiceFlags();
}

void KeyAssigner::SetMonoRetrigger(bool on) noexcept
{
    mMonoRetrigger = on;
    ApplyVoiceFlags();
}

void KeyAssigner::ApplyVoiceFlags() noexcept
{
    for (int v = 0; v < mNumVoices; ++v) {
        Midi2CV& m = mVoices[v]->NoteInput();
        if (!IsMono()) {
            m.mRetrigger = 1;
            m.mMonoList = 0;
        } else {
            m.mMonoList = 1;
            m.mRetrigger = mMonoRetrigger;
            m.mHeld.Clear();
            m.mHeld.ResetSequence();
        }
    }
}
