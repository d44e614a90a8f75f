// Recognises the host from its product string.
#pragma once

enum HostIdValue : int {
    kHostUnknown = -1, // not asked yet
    kHostNone = 0,     // asked, not recognised
    kHostReaper = 1,
    kHostProTools = 2,
    kHostCubase = 3,
    kHostNuendo = 4,
    kHostSonar = 5,
    kHostFruity = 7,
    kHostSamplitude = 8,
    kHostLive = 9,
    kHostMelodyne = 12,
    kHostVstManLib = 13,
    kHostAuLab = 14,
    kHostForte = 15,
    kHostChainer = 16,
    kHostAudition = 17,
    kHostOrion = 18,
    kHostSawStudio = 20,
    kHostLogic = 21,
    kHostGarageBand = 22,
    kHostDigitalPerformer = 23,
    kHostStandalone = 24,
    kHostAudioMulch = 25,
    kHostPresonus = 26,
    kHostVst3TestHost = 27,
    kHostArdour = 28,
};

// The product string lower-cased and searched for known substrings in a fixed order; 0 when none hits.
int LookUpHostId(const char* productString);
