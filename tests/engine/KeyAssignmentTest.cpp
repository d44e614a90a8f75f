#include "engine/Kt4rVoice.h"
#include "engine/Midi2CV.h"
#include "support/EngineRig.h"
#include "support/Signal.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using kt4rtest::DefaultPatch;
using kt4rtest::EngineRig;

float Pitch(int note)
{
    return static_cast<float>((note - 69) / 12.0 + 5.0);
}

// The default patch as one whole-patch event, as a preset load sends it.
void PushWholePatch(EngineRig& rig)
{
    auto* event = new ParamSetEvent(0);
    const auto values = DefaultPatch();
    std::copy(values.begin(), values.end(), event->mValues);
    rig.mSynth.PushParamEvent(event);
}

// Which voices hold their gate high at the end of the last block, and the pitch each carries there.
struct VoiceView {
    explicit VoiceView(EngineRig& rig) : mRig(rig) {}
    float Gate(int v) const { return Last(mRig.mSynth.Voice(v)->mGate); }
    float PitchOf(int v) const { return Last(mRig.mSynth.Voice(v)->mPitch); }
    int Sounding() const
    {
        int n = 0;
        for (int v = 0; v < mRig.mSynth.VoiceCount(); ++v)
            n += Gate(v) > 0.5f;
        return n;
    }
    int VoiceWith(int note) const
    {
        for (int v = 0; v < mRig.mSynth.VoiceCount(); ++v)
            if (Gate(v) > 0.5f && PitchOf(v) == Pitch(note))
                return v;
        return -1;
    }
    static float Last(FloatBuffer& b) { return b[b.mSize - 1]; }
    EngineRig& mRig;
};

class KeyAssignment : public ::testing::Test {
protected:
    void SetUp() override { mRig.SendPatch(DefaultPatch()); }
    void Mode(int mode)
    {
        mRig.SetParam(51, mode / 5.0f);
        mRig.RenderBlock(64);
    }
    void Block() { mRig.RenderBlock(64); }
    void Press(int note)
    {
        mRig.NoteOn(note);
        Block();
    }
    void Release(int note)
    {
        mRig.NoteOff(note);
        Block();
    }

    EngineRig mRig{48000.0f, 64, 6};
    VoiceView mView{mRig};
};

TEST_F(KeyAssignment, PolyStealsTheVoiceStartedLongestAgo)
{
    for (int k = 0; k < 6; ++k) {
        mRig.NoteOn(60 + k);
        Block();
    }
    EXPECT_EQ(mView.Sounding(), 6);
    const int first = mView.VoiceWith(60);
    ASSERT_GE(first, 0);
    Press(72);
    EXPECT_EQ(mView.Sounding(), 6);
    EXPECT_EQ(mView.VoiceWith(72), first);
    EXPECT_EQ(mView.VoiceWith(60), -1);
}

TEST_F(KeyAssignment, PolyGivesAReturningKeyItsVoiceAndNeedsTwoReleasesForTwoStrikes)
{
    Press(60);
    const int v = mView.VoiceWith(60);
    mRig.NoteOn(62);
    mRig.NoteOn(60, 100, 10);
    Block();
    EXPECT_EQ(mView.VoiceWith(60), v);
    EXPECT_EQ(mRig.mKeys.HeldCount(), 3);
    Release(60);
    Release(60);
    EXPECT_EQ(mView.Gate(v), 0.0f);
    EXPECT_EQ(mRig.mKeys.HeldCount(), 1);
}

TEST_F(KeyAssignment, CyclicModeUsesVoicesInTheOrderTheyBecameFree)
{
    Mode(1);
    int previous = -1;
    for (int k = 0; k < 6; ++k) {
        Press(60);
        int v = mView.VoiceWith(60);
        EXPECT_NE(v, previous);
        EXPECT_EQ(v, k);
        previous = v;
        Release(60);
    }
}

TEST_F(KeyAssignment, PortamentoSwitchStartsAgainAtVoiceZeroWhenAllKeysAreUp)
{
    mRig.mKeys.SetPortamentoCyclic(true);
    mRig.NoteOn(60);
    Press(64);
    mRig.NoteOff(60);
    Release(64);
    Press(67);
    EXPECT_EQ(mView.VoiceWith(67), 0);
}

TEST_F(KeyAssignment, UnisonSoundsEachKeyOnAPairAndTheSecondModeAnOctaveLower)
{
    Mode(2);
    Press(60);
    EXPECT_EQ(mView.Sounding(), 2);
    const int v = mView.VoiceWith(60);
    ASSERT_GE(v, 0);
    ASSERT_LT(v, 3);
    EXPECT_EQ(mView.PitchOf(v + 3), Pitch(60));
    Release(60);
    EXPECT_EQ(mView.Sounding(), 0);

    Mode(3);
    mRig.NoteOn(60);
    Press(10);
    EXPECT_EQ(mView.Sounding(), 4);
    EXPECT_GE(mView.VoiceWith(48), 3);
    const int low = mView.VoiceWith(10);
    ASSERT_GE(low, 0);
    // Notes up to 12 have no octave below them: both voices of the pair play the note itself.
    EXPECT_EQ(mView.PitchOf(low < 3 ? low + 3 : low - 3), Pitch(10));
}

TEST_F(KeyAssignment, MonoFallsBackToTheLowestHeldNote)
{
    Mode(4);
    Press(60);
    Press(64);
    EXPECT_EQ(mView.Sounding(), 1);
    EXPECT_EQ(mView.PitchOf(0), Pitch(64));
    Release(64);
    EXPECT_EQ(mView.Gate(0), 1.0f);
    EXPECT_EQ(mView.PitchOf(0), Pitch(60));
    // Letting go of a held note that is not sounding changes nothing audible.
    Press(67);
    Release(60);
    EXPECT_EQ(mView.PitchOf(0), Pitch(67));
    Release(67);
    EXPECT_EQ(mView.Gate(0), 0.0f);
}

TEST_F(KeyAssignment, MonoTwoStacksEveryVoiceOnTheKey)
{
    Mode(5);
    Press(57);
    EXPECT_EQ(mView.Sounding(), 6);
    for (int v = 0; v < 6; ++v)
        EXPECT_EQ(mView.PitchOf(v), Pitch(57));
    Release(57);
    EXPECT_EQ(mView.Sounding(), 0);
}

// The envelope of a mono voice after a second key: with legato it stays at its sustain level, with
// retrigger it climbs back towards full level.
float EnvelopeAfterSecondKey(bool retrigger)
{
    EngineRig rig(48000.0f, 256, 6);
    auto patch = DefaultPatch();
    patch[51] = 0.8f; // MONO 1
    patch[36] = 0.3f; // a short decay
    patch[37] = 0.2f; // low sustain
    rig.mKeys.SetMonoRetrigger(retrigger);
    rig.SendPatch(patch);
    rig.NoteOn(60);
    rig.RenderSeconds(1.5);
    rig.NoteOn(64);
    rig.RenderSeconds(0.05);
    FloatBuffer& env = rig.mSynth.Voice(0)->mAdsr1Out;
    return env[env.mSize - 1];
}

TEST(KeyAssignmentMono, LegatoKeepsTheEnvelopeWhileRetriggerRestartsIt)
{
    const float legato = EnvelopeAfterSecondKey(false);
    const float retrigger = EnvelopeAfterSecondKey(true);
    EXPECT_NEAR(legato, 0.2f * 0.99f, 0.02f);
    EXPECT_GT(retrigger, 0.5f);
}

TEST_F(KeyAssignment, SustainPedalHoldsReleasedKeysUntilLetGoAt64)
{
    mRig.Midi(0, 0xB0, 64, 65);
    Press(60);
    Release(60);
    EXPECT_EQ(mView.VoiceWith(60) >= 0, true);
    mRig.Midi(0, 0xB0, 64, 64);
    Block();
    EXPECT_EQ(mView.Sounding(), 0);
}

TEST_F(KeyAssignment, AllNotesOffReleasesEveryVoiceEvenUnderThePedal)
{
    mRig.Midi(0, 0xB0, 64, 127);
    for (int k = 0; k < 4; ++k)
        mRig.NoteOn(50 + k);
    Block();
    EXPECT_EQ(mView.Sounding(), 4);
    mRig.Midi(5, 0xB0, 123, 0);
    Block();
    EXPECT_EQ(mView.Sounding(), 0);
    EXPECT_EQ(mRig.mKeys.HeldCount(), 0);
}

TEST_F(KeyAssignment, VelocityZeroNoteOnIsANoteOff)
{
    Press(60);
    mRig.NoteOn(60, 0, 20);
    Block();
    EXPECT_EQ(mView.Sounding(), 0);
}

TEST_F(KeyAssignment, NoteEventsLandOnTheirFrame)
{
    mRig.NoteOn(60, 100, 17);
    Block();
    const int v = mView.VoiceWith(60);
    ASSERT_GE(v, 0);
    FloatBuffer& gate = mRig.mSynth.Voice(v)->mGate;
    EXPECT_EQ(gate[16], 0.0f);
    EXPECT_EQ(gate[17], 1.0f);
    // A note-on and a note-off at the same frame: the later one wins for the following samples.
    mRig.NoteOn(62, 100, 30);
    mRig.NoteOff(62, 30);
    Block();
    EXPECT_EQ(mView.VoiceWith(62), -1);
}

// More note-ons in one block than the segment lists hold: the surplus is dropped, the level stays
// within that of six voices (with headroom for the clicks of voices stolen mid-cycle), and after
// all-notes-off nothing keeps sounding.
TEST_F(KeyAssignment, AFloodOfNotesInOneBlockStaysBoundedAndAllNotesOffSilencesIt)
{
    mRig.NoteOn(40);
    for (int b = 0; b < 100; ++b)
        Block();
    const double oneVoice = kt4rtest::Peak(mRig.Left());
    for (int mode : {0, 4}) {
        Mode(mode);
        mRig.ClearOutput();
        for (int i = 0; i < 700; ++i)
            mRig.NoteOn(40 + i % 40, 100, i % 64);
        for (int b = 0; b < 100; ++b)
            Block();
        EXPECT_GT(kt4rtest::Rms(mRig.Left()), 0.01) << "mode " << mode;
        EXPECT_LT(kt4rtest::Peak(mRig.Left()), 1.5 * 6.0 * oneVoice) << "mode " << mode;
        mRig.Midi(0, 0xB0, 123, 0);
        mRig.ClearOutput();
        for (int b = 0; b < 1500; ++b)
            Block();
        EXPECT_EQ(mRig.mKeys.HeldCount(), 0) << "mode " << mode;
        EXPECT_TRUE(mRig.mSynth.AllIdle()) << "mode " << mode;
        EXPECT_LT(kt4rtest::Peak(std::vector<double>(mRig.Left().end() - 4800, mRig.Left().end())), 1e-5);
    }
}

TEST_F(KeyAssignment, ReloadingAPatchWithTheSameKeyModeCutsNoNote)
{
    Press(60);
    PushWholePatch(mRig);
    mRig.NoteOn(64, 100, 3);
    Block();
    Block();
    EXPECT_GE(mView.VoiceWith(60), 0);
    EXPECT_GE(mView.VoiceWith(64), 0);
    // A real change of key mode releases every key.
    Mode(2);
    EXPECT_EQ(mView.Sounding(), 0);
}

TEST(KeyAssignmentStart, ANoteInTheVeryFirstBlockSoundsBesideTheFirstPatch)
{
    EngineRig rig(48000.0f, 128, 8);
    PushWholePatch(rig);
    rig.NoteOn(69);
    rig.RenderSeconds(0.2);
    EXPECT_EQ(VoiceView(rig).Sounding(), 1);
    EXPECT_GT(kt4rtest::Rms(rig.Left()), 0.01);
}

TEST_F(KeyAssignment, MessagesWithEightBitDataBytesChangeNothing)
{
    mRig.Midi(0, 0x90, 200, 100);
    mRig.Midi(0, 0x90, 60, 255);
    Block();
    EXPECT_EQ(mView.Sounding(), 0);
    Press(69);
    EXPECT_EQ(mView.Sounding(), 1);
}

} // namespace
