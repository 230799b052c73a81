#include "audio/LameLibrary.h"

#include <cstdlib>
#include <dlfcn.h>

namespace {

template <typename Fn>
void Find(void* handle, const char* name, Fn& fn)
{
    fn = reinterpret_cast<Fn>(::dlsym(handle, name));
}

} // namespace

LameLibrary& LameLibrary::Instance()
{
    static LameLibrary library;
    return library;
}

LameLibrary::~LameLibrary()
{
    Unload();
}

std::string LameLibrary::FileName()
{
    const char* over = std::getenv(kLameLibraryVariable);
    return over && *over ? std::string(over) : std::string(kLameLibraryName);
}

bool LameLibrary::Load()
{
    if (m_handle) return true;
    m_name = FileName();
    m_loadError.clear();
    m_handle = ::dlopen(m_name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!m_handle) {
        const char* why = ::dlerror();
        m_loadError = why ? why : "unknown error";
    }
    return m_handle != nullptr;
}

void LameLibrary::Unload()
{
    m_entry = LameEntryPoints{};
    m_missing.clear();
    if (m_handle) ::dlclose(m_handle);
    m_handle = nullptr;
}

bool LameLibrary::Resolve()
{
    m_entry = LameEntryPoints{};
    m_missing.clear();
    if (!m_handle) return false;
    Find(m_handle, "lame_init", m_entry.init);
    Find(m_handle, "lame_init_params", m_entry.initParams);
    Find(m_handle, "lame_set_in_samplerate", m_entry.setInSamplerate);
    Find(m_handle, "lame_set_num_channels", m_entry.setNumChannels);
    Find(m_handle, "lame_encode_buffer_interleaved", m_entry.encodeBufferInterleaved);
    Find(m_handle, "lame_encode_flush", m_entry.encodeFlush);
    Find(m_handle, "lame_close", m_entry.close);
    Find(m_handle, "lame_set_brate", m_entry.setBrate);
    Find(m_handle, "id3tag_init", m_entry.id3tagInit);
    Find(m_handle, "id3tag_set_title", m_entry.id3tagSetTitle);
    Find(m_handle, "id3tag_set_artist", m_entry.id3tagSetArtist);
    Find(m_handle, "id3tag_add_v2", m_entry.id3tagAddV2);
    Find(m_handle, "id3tag_set_textinfo_utf16", m_entry.id3tagSetTextInfoUtf16);
    Find(m_handle, "lame_mp3_tags_fid", m_entry.mp3TagsFid);

    const std::pair<const char*, bool> required[] = {
        {"lame_init", m_entry.init != nullptr},
        {"lame_init_params", m_entry.initParams != nullptr},
        {"lame_set_in_samplerate", m_entry.setInSamplerate != nullptr},
        {"lame_set_num_channels", m_entry.setNumChannels != nullptr},
        {"lame_encode_buffer_interleaved", m_entry.encodeBufferInterleaved != nullptr},
        {"lame_encode_flush", m_entry.encodeFlush != nullptr},
        {"lame_close", m_entry.close != nullptr},
    };
    for (const auto& [name, present] : required) {
        if (!present) m_missing.emplace_back(name);
    }
    return m_missing.empty();
}

bool LameLibrary::HasRequired() const
{
    return m_handle && m_entry.init && m_entry.initParams && m_entry.setInSamplerate && m_entry.setNumChannels &&
           m_entry.encodeBufferInterleaved && m_entry.encodeFlush && m_entry.close;
}
