// GIO's headers come first: Qt's keyword macros would rename their members.
#include <gio/gio.h>
#define G_SETTINGS_ENABLE_BACKEND
#include <gio/gsettingsbackend.h>

#include "qt/platform/desktop_settings.h"

#include <memory>

namespace framory::qt {

namespace {

struct SchemaDeleter {
    void operator()(GSettingsSchema* schema) const { g_settings_schema_unref(schema); }
};
struct ObjectDeleter {
    void operator()(gpointer object) const { g_object_unref(object); }
};

using Schema = std::unique_ptr<GSettingsSchema, SchemaDeleter>;
using Settings = std::unique_ptr<GSettings, ObjectDeleter>;

// The settings of an installed schema that has the key, else nothing.
Settings open_settings(const std::string& schema_id, const std::string& key, const char* type)
{
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    if (source == nullptr) {
        return nullptr;
    }
    const Schema schema(g_settings_schema_source_lookup(source, schema_id.c_str(), TRUE));
    if (!schema || !g_settings_schema_has_key(schema.get(), key.c_str())) {
        return nullptr;
    }
    GSettingsSchemaKey* schema_key = g_settings_schema_get_key(schema.get(), key.c_str());
    const bool right_type =
        g_variant_type_equal(g_settings_schema_key_get_value_type(schema_key), G_VARIANT_TYPE(type)) != FALSE;
    g_settings_schema_key_unref(schema_key);
    if (!right_type) {
        return nullptr;
    }
    return Settings(g_settings_new_full(schema.get(), nullptr, nullptr));
}

} // namespace

void PrepareDesktopSettings()
{
    g_type_ensure(G_TYPE_SETTINGS);
    g_object_unref(g_settings_backend_get_default());
}

std::string ReadDesktopSetting(const std::string& schema, const std::string& key)
{
    if (const Settings boolean = open_settings(schema, key, "b")) {
        return g_settings_get_boolean(boolean.get(), key.c_str()) != FALSE ? "true" : "false";
    }
    if (const Settings text = open_settings(schema, key, "s")) {
        gchar* value = g_settings_get_string(text.get(), key.c_str());
        std::string result = value != nullptr ? value : "";
        g_free(value);
        return result;
    }
    return {};
}

bool WriteDesktopSetting(const std::string& schema, const std::string& key, const std::string& value)
{
    const Settings settings = open_settings(schema, key, "s");
    if (!settings || g_settings_set_string(settings.get(), key.c_str(), value.c_str()) == FALSE) {
        return false;
    }
    g_settings_sync();
    return true;
}

} // namespace framory::qt
