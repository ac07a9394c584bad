#pragma once
// Owners for the GLib/GIO objects the Linux platform layer creates.
#include <gio/gio.h>

#include <memory>

namespace platform::linuxdesk {

struct GObjectUnref {
    void operator()(gpointer p) const noexcept { g_object_unref(p); }
};
struct GVariantUnref {
    void operator()(GVariant* v) const noexcept { g_variant_unref(v); }
};
struct GErrorFree {
    void operator()(GError* e) const noexcept { g_error_free(e); }
};
struct GFree {
    void operator()(gpointer p) const noexcept { g_free(p); }
};
struct GSchemaUnref {
    void operator()(GSettingsSchema* s) const noexcept { g_settings_schema_unref(s); }
};

template <typename T>
using GObjectPtr = std::unique_ptr<T, GObjectUnref>;
using GVariantPtr = std::unique_ptr<GVariant, GVariantUnref>;
using GErrorPtr = std::unique_ptr<GError, GErrorFree>;
using GCharPtr = std::unique_ptr<gchar, GFree>;
using GSchemaPtr = std::unique_ptr<GSettingsSchema, GSchemaUnref>;

// For out-parameters: `GError* raw = nullptr; call(&raw); GErrorPtr e(raw);`

} // namespace platform::linuxdesk
