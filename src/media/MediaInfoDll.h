#pragma once
// Run-time binding of the media information library (libmediainfo). The program does
// not link the library: it loads it on first use and keeps one process-wide pointer for
// each of the twenty exported entry points of its C interface, ten for wide-character
// text and ten for 8-bit text. Only five of the 8-bit ones are called (see MediaQuery.h).
//
// Only the UI thread loads the library and runs media queries, so the handle and the
// pointers are plain variables without locks.

#include <cstddef>
#include <string>

namespace ondrevo {

// Stream kinds of the library: the file as a whole, its video streams, its audio streams.
enum MediaStreamKind : int {
    Stream_General = 0,
    Stream_Video = 1,
    Stream_Audio = 2,
};

// Info kinds and search kinds passed to the Get functions.
constexpr int Info_Name = 0;
constexpr int Info_Text = 1;
constexpr int SearchByName = 0;

// The entry points' types, from the library's published C interface. A handle is an
// opaque pointer; a stream kind, info kind and search kind travel as int-sized enums.
using MediaInfo_New_Type = void* (*)();
using MediaInfo_Delete_Type = void (*)(void* handle);
using MediaInfo_Open_Type = std::size_t (*)(void* handle, const wchar_t* path);
using MediaInfo_Close_Type = void (*)(void* handle);
using MediaInfo_Inform_Type = const wchar_t* (*)(void* handle, std::size_t reserved);
using MediaInfo_GetI_Type
    = const wchar_t* (*)(void* handle, int streamKind, std::size_t streamNumber, std::size_t parameter, int infoKind);
using MediaInfo_Get_Type = const wchar_t* (*)(void* handle, int streamKind, std::size_t streamNumber,
    const wchar_t* parameter, int infoKind, int searchKind);
using MediaInfo_Option_Type = const wchar_t* (*)(void* handle, const wchar_t* option, const wchar_t* value);
using MediaInfo_State_Get_Type = std::size_t (*)(void* handle);
using MediaInfo_Count_Get_Type = std::size_t (*)(void* handle, int streamKind, std::size_t streamNumber);

using MediaInfoA_New_Type = void* (*)();
using MediaInfoA_Delete_Type = void (*)(void* handle);
using MediaInfoA_Open_Type = std::size_t (*)(void* handle, const char* path);
using MediaInfoA_Close_Type = void (*)(void* handle);
using MediaInfoA_Inform_Type = const char* (*)(void* handle, std::size_t reserved);
using MediaInfoA_GetI_Type
    = const char* (*)(void* handle, int streamKind, std::size_t streamNumber, std::size_t parameter, int infoKind);
using MediaInfoA_Get_Type = const char* (*)(void* handle, int streamKind, std::size_t streamNumber,
    const char* parameter, int infoKind, int searchKind);
using MediaInfoA_Option_Type = const char* (*)(void* handle, const char* option, const char* value);
using MediaInfoA_State_Get_Type = std::size_t (*)(void* handle);
using MediaInfoA_Count_Get_Type = std::size_t (*)(void* handle, int streamKind, std::size_t streamNumber);

// The loaded library's module handle; null until a load succeeds. Never released: the
// library stays loaded until the process ends.
extern void* MediaInfoModule;

// One pointer per entry point, named after it; null until bound, and null when the
// loaded library does not export the name.
extern MediaInfo_New_Type MediaInfo_New;
extern MediaInfo_Delete_Type MediaInfo_Delete;
extern MediaInfo_Open_Type MediaInfo_Open;
extern MediaInfo_Close_Type MediaInfo_Close;
extern MediaInfo_Inform_Type MediaInfo_Inform;
extern MediaInfo_GetI_Type MediaInfo_GetI;
extern MediaInfo_Get_Type MediaInfo_Get;
extern MediaInfo_Option_Type MediaInfo_Option;
extern MediaInfo_State_Get_Type MediaInfo_State_Get;
extern MediaInfo_Count_Get_Type MediaInfo_Count_Get;
extern MediaInfoA_New_Type MediaInfoA_New;
extern MediaInfoA_Delete_Type MediaInfoA_Delete;
extern MediaInfoA_Open_Type MediaInfoA_Open;
extern MediaInfoA_Close_Type MediaInfoA_Close;
extern MediaInfoA_Inform_Type MediaInfoA_Inform;
extern MediaInfoA_GetI_Type MediaInfoA_GetI;
extern MediaInfoA_Get_Type MediaInfoA_Get;
extern MediaInfoA_Option_Type MediaInfoA_Option;
extern MediaInfoA_State_Get_Type MediaInfoA_State_Get;
extern MediaInfoA_Count_Get_Type MediaInfoA_Count_Get;

// The library's bare file name; the dynamic loader's search finds the file.
extern const char* const kMediaInfoLibraryName; // "libmediainfo.so.0"

// Loads the library by `libraryName` unless a module is already loaded, then binds all
// twenty entry points again, in a fixed order, ignoring which names are missing. Returns
// false, reporting nothing, when no module could be loaded; a failed load leaves the
// handle null, so the next call tries again.
bool LoadMediaInfo(const std::string& libraryName);

// Looks `name` up in MediaInfoModule and stores the result in `pointer` (null when the
// name is absent). Returns whether the result is non-null.
void* LookUpMediaInfoEntryPoint(const char* name);
// Binding the address it already holds writes nothing, so queries running on other
// threads (adding many files) read the entry points undisturbed.
template <typename EntryPoint> bool BindEntryPoint(const char* name, EntryPoint& pointer)
{
    const auto bound = reinterpret_cast<EntryPoint>(LookUpMediaInfoEntryPoint(name));
    if (pointer != bound)
        pointer = bound;
    return bound != nullptr;
}

// Whether the five 8-bit entry points that media queries call are all bound.
bool MediaQueryEntryPointsBound();

// The library name that media queries load: kMediaInfoLibraryName unless a test set
// another one.
const std::string& MediaInfoLibraryName();
// For tests only: makes media queries load `libraryName` instead, and forgets the
// module loaded so far (without unloading it) so that the next query loads anew.
void SetMediaInfoLibraryNameForTesting(const std::string& libraryName);

} // namespace ondrevo
