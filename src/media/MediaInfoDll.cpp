#include "media/MediaInfoDll.h"

#include <dlfcn.h>

namespace ondrevo {

void* MediaInfoModule = nullptr;

MediaInfo_New_Type MediaInfo_New = nullptr;
MediaInfo_Delete_Type MediaInfo_Delete = nullptr;
MediaInfo_Open_Type MediaInfo_Open = nullptr;
MediaInfo_Close_Type MediaInfo_Close = nullptr;
MediaInfo_Inform_Type MediaInfo_Inform = nullptr;
MediaInfo_GetI_Type MediaInfo_GetI = nullptr;
MediaInfo_Get_Type MediaInfo_Get = nullptr;
MediaInfo_Option_Type MediaInfo_Option = nullptr;
MediaInfo_State_Get_Type MediaInfo_State_Get = nullptr;
MediaInfo_Count_Get_Type MediaInfo_Count_Get = nullptr;
MediaInfoA_New_Type MediaInfoA_New = nullptr;
MediaInfoA_Delete_Type MediaInfoA_Delete = nullptr;
MediaInfoA_Open_Type MediaInfoA_Open = nullptr;
MediaInfoA_Close_Type MediaInfoA_Close = nullptr;
MediaInfoA_Inform_Type MediaInfoA_Inform = nullptr;
MediaInfoA_GetI_Type MediaInfoA_GetI = nullptr;
MediaInfoA_Get_Type MediaInfoA_Get = nullptr;
MediaInfoA_Option_Type MediaInfoA_Option = nullptr;
MediaInfoA_State_Get_Type MediaInfoA_State_Get = nullptr;
MediaInfoA_Count_Get_Type MediaInfoA_Count_Get = nullptr;

const char* const kMediaInfoLibraryName = "libmediainfo.so.0";

namespace {

std::string& LibraryNameInUse()
{
    static std::string name = kMediaInfoLibraryName;
    return name;
}

} // namespace

void* LookUpMediaInfoEntryPoint(const char* name)
{
    if (!MediaInfoModule)
        return nullptr;
    return dlsym(MediaInfoModule, name);
}

bool LoadMediaInfo(const std::string& libraryName)
{
    if (!MediaInfoModule)
        MediaInfoModule = dlopen(libraryName.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!MediaInfoModule)
        return false;

    BindEntryPoint("MediaInfo_New", MediaInfo_New);
    BindEntryPoint("MediaInfo_Delete", MediaInfo_Delete);
    BindEntryPoint("MediaInfo_Open", MediaInfo_Open);
    BindEntryPoint("MediaInfo_Close", MediaInfo_Close);
    BindEntryPoint("MediaInfo_Inform", MediaInfo_Inform);
    BindEntryPoint("MediaInfo_GetI", MediaInfo_GetI);
    BindEntryPoint("MediaInfo_Get", MediaInfo_Get);
    BindEntryPoint("MediaInfo_Option", MediaInfo_Option);
    BindEntryPoint("MediaInfo_State_Get", MediaInfo_State_Get);
    BindEntryPoint("MediaInfo_Count_Get", MediaInfo_Count_Get);
    BindEntryPoint("MediaInfoA_New", MediaInfoA_New);
    BindEntryPoint("MediaInfoA_Delete", MediaInfoA_Delete);
    BindEntryPoint("MediaInfoA_Open", MediaInfoA_Open);
    BindEntryPoint("MediaInfoA_Close", MediaInfoA_Close);
    BindEntryPoint("MediaInfoA_Inform", MediaInfoA_Inform);
    BindEntryPoint("MediaInfoA_GetI", MediaInfoA_GetI);
    BindEntryPoint("MediaInfoA_Get", MediaInfoA_Get);
    BindEntryPoint("MediaInfoA_Option", MediaInfoA_Option);
    BindEntryPoint("MediaInfoA_State_Get", MediaInfoA_State_Get);
    BindEntryPoint("MediaInfoA_Count_Get", MediaInfoA_Count_Get);
    return true;
}

bool MediaQueryEntryPointsBound()
{
    return MediaInfoA_New && MediaInfoA_Delete && MediaInfoA_Open && MediaInfoA_Close && MediaInfoA_Get;
}

const std::string& MediaInfoLibraryName()
{
    return LibraryNameInUse();
}

void SetMediaInfoLibraryNameForTesting(const std::string& libraryName)
{
    LibraryNameInUse() = libraryName;
    // The old module stays mapped; a later dlopen of the same file finds it again.
    MediaInfoModule = nullptr;
}

} // namespace ondrevo
