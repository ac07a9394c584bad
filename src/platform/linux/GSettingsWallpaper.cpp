#include <cstring>

#include "platform/linux/GLibPtr.h"
#include "platform/linux/LinuxDesktop.h"

namespace platform::linuxdesk {
namespace {

// The memory backend (no dconf installed) keeps values only inside this
// process: nothing on the desktop would ever see them.
bool BackendPersists(GSettings* settings)
{
    GSettingsBackend* raw = nullptr;
    g_object_get(settings, "backend", &raw, nullptr);
    const GObjectPtr<GSettingsBackend> backend(raw);
    return backend && std::strcmp(G_OBJECT_TYPE_NAME(backend.get()), "GMemorySettingsBackend") != 0;
}

bool WriteString(GSettings* settings, const char* key, const std::string& value)
{
    return g_settings_is_writable(settings, key) && g_settings_set_string(settings, key, value.c_str());
}

// A fresh object, so the answer comes from the backend, not from our own cache.
bool ReadsBack(GSettingsSchema* schema, const char* key, const std::string& expected)
{
    const GObjectPtr<GSettings> settings(g_settings_new_full(schema, nullptr, nullptr));
    const GCharPtr value(g_settings_get_string(settings.get(), key));
    return value && expected == value.get();
}

} // namespace

bool SetGSettingsWallpaper(const GSettingsTarget& target, const std::string& path, WallpaperStyle style)
{
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    if (!source)
        return false;
    const GSchemaPtr schema(g_settings_schema_source_lookup(source, target.schema, TRUE));
    if (!schema || !g_settings_schema_has_key(schema.get(), target.pictureKey)
        || !g_settings_schema_has_key(schema.get(), target.optionsKey))
        return false;

    const std::string picture = target.pictureIsUri ? FileUri(path) : path;
    if (picture.empty())
        return false;
    const std::string options = GSettingsPictureOption(style);
    const bool hasDark = target.darkPictureKey
        && g_settings_schema_has_key(schema.get(), target.darkPictureKey);

    const GObjectPtr<GSettings> settings(g_settings_new_full(schema.get(), nullptr, nullptr));
    if (!BackendPersists(settings.get()))
        return false;
    // Placement first, so the desktop never shows the new picture the old way.
    bool written = WriteString(settings.get(), target.optionsKey, options)
        && WriteString(settings.get(), target.pictureKey, picture)
        && (!hasDark || WriteString(settings.get(), target.darkPictureKey, picture));
    g_settings_sync();
    if (!written)
        return false;
    return ReadsBack(schema.get(), target.optionsKey, options)
        && ReadsBack(schema.get(), target.pictureKey, picture)
        && (!hasDark || ReadsBack(schema.get(), target.darkPictureKey, picture));
}

} // namespace platform::linuxdesk
