#pragma once

// The BASS audio calls the engine makes. The engine's sound code calls them
// as it would the real library; here they are carried out by our own mixer
// over the SDL audio device, with Ogg Vorbis decoded by libvorbisfile. A
// handle of 0 means failure, and every call on it fails without effect.

#include "platform/win32.h"

#include <cstdint>

using QWORD = std::uint64_t;
using HSAMPLE = DWORD;
using HCHANNEL = DWORD;
using HSTREAM = DWORD;

// Channel flag: play again from the start when the end is reached.
#define BASS_SAMPLE_LOOP 4
// Channel attribute: the volume, 0 (silent) to 1 (full).
#define BASS_ATTRIB_VOL 2

// Why the last call on this thread failed (BASS_ErrorGetCode).
#define BASS_OK 0
#define BASS_ERROR_MEM 1
#define BASS_ERROR_FILEOPEN 2
#define BASS_ERROR_DRIVER 3
#define BASS_ERROR_HANDLE 5
#define BASS_ERROR_INIT 8
#define BASS_ERROR_ALREADY 14
#define BASS_ERROR_NOCHAN 18
#define BASS_ERROR_ILLTYPE 19
#define BASS_ERROR_ILLPARAM 20
#define BASS_ERROR_DEVICE 23
#define BASS_ERROR_FILEFORM 41

// A sample's defaults, given to every channel made from it afterwards.
struct BASS_SAMPLE {
    DWORD freq;   // the rate the sample is kept at (the output rate)
    float volume; // 0..1
    float pan;    // -1 (left) .. 1 (right)
    DWORD flags;
    DWORD length; // bytes of 32-bit float stereo data
    DWORD max;    // channels that may exist at once
    DWORD chans;  // channels of the source file
    DWORD mingap; // least milliseconds between two new channels
};

// Opens the output device (-1: the default) at the given rate. FALSE when no
// device opens; the program then goes on silently.
BOOL BASS_Init(int device, DWORD freq, DWORD flags, HWND win, const void* dsguid);
// Closes the device and frees every sample, channel and stream.
BOOL BASS_Free();
BOOL BASS_RecordFree();
int BASS_ErrorGetCode();

// Decodes a whole Ogg Vorbis file (mem FALSE: file is a path in UTF-8) into
// memory. Safe from any thread.
HSAMPLE BASS_SampleLoad(BOOL mem, const void* file, QWORD offset, DWORD length, DWORD max, DWORD flags);
BOOL BASS_SampleFree(HSAMPLE handle);
BOOL BASS_SampleGetInfo(HSAMPLE handle, BASS_SAMPLE* info);
BOOL BASS_SampleSetInfo(HSAMPLE handle, const BASS_SAMPLE* info);
// A new channel with the sample's current defaults; 0 when the sample's
// channel limit is reached or its minimum gap has not passed.
HCHANNEL BASS_SampleGetChannel(HSAMPLE handle, BOOL onlynew);

// A stream decoded while it plays, from an Ogg Vorbis file.
HSTREAM BASS_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length, DWORD flags);
BOOL BASS_StreamFree(HSTREAM handle);

// For sample channels and streams alike. BASS_ChannelFlags answers the new
// flags, or (DWORD)-1 on failure.
DWORD BASS_ChannelFlags(DWORD handle, DWORD flags, DWORD mask);
BOOL BASS_ChannelPlay(DWORD handle, BOOL restart);
BOOL BASS_ChannelStop(DWORD handle);
BOOL BASS_ChannelSetAttribute(DWORD handle, DWORD attrib, float value);
