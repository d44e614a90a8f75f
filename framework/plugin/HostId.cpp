#include "framework/plugin/HostId.h"

#include <cctype>
#include <string>

int LookUpHostId(const char* productString)
{
    if (!productString)
        return kHostNone;
    std::string lower(productString);
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    // Order matters: "live" would otherwise match products that merely contain the word.
    static const struct {
        const char* substring;
        int id;
    } kRules[] = {
        {"cubase", kHostCubase},
        {"reaper", kHostReaper},
        {"nuendo", kHostNuendo},
        {"cakewalk", kHostSonar},
        {"samplitude", kHostSamplitude},
        {"fruity", kHostFruity},
        {"live", kHostLive},
        {"melodyne", kHostMelodyne},
        {"vstmanlib", kHostVstManLib},
        {"aulab", kHostAuLab},
        {"garageband", kHostGarageBand},
        {"forte", kHostForte},
        {"chainer", kHostChainer},
        {"audition", kHostAudition},
        {"orion", kHostOrion},
        {"sawstudio", kHostSawStudio},
        {"logic", kHostLogic},
        {"digital", kHostDigitalPerformer},
        {"audiomulch", kHostAudioMulch},
        {"presonus", kHostPresonus},
        {"vst3plugintesthost", kHostVst3TestHost},
        {"protools", kHostProTools},
        {"ardour", kHostArdour},
        {"standalone", kHostStandalone},
    };
    for (const auto& rule : kRules) {
        if (lower.find(rule.substring) != std::string::npos)
            return rule.id;
    }
    return kHostNone;
}
