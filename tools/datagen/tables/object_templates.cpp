// Description files that share a layout (effects, suns, planets, stations, asteroids,
// planet objects and people): data/Tables/objects.csv gives each file's template and the
// values of the template's {key} fields; {dir} is the file's own folder.
#include "../datagen.h"
#include "tables.h"

#include "platform/win/codepage.h"

#include <cstdio>

using namespace datagen;

DATAGEN_GENERATOR(00_object_templates)
{
    Table t;
    std::string error;
    if (!ReadTable(set, "Tables/objects.csv", &t, &error) || !RequireColumns(t, {"path", "template", "values"}, &error)) {
        std::fprintf(stderr, "datagen: %s\n", error.c_str());
        return false;
    }
    std::vector<std::string> errors;
    for (size_t r = 0; r < t.rows.size(); ++r) {
        const std::string& path = t.Get(r, "path");
        const std::string tpath = "Tables/Templates/" + t.Get(r, "template") + ".obj";
        std::map<std::string, std::string> values;
        values["dir"] = path.substr(0, path.rfind('/'));
        for (const std::string& pair : SplitList(t.Get(r, "values"), '|')) {
            const size_t eq = pair.find('=');
            if (eq == std::string::npos) {
                errors.push_back(t.Where(r) + ": \"" + pair + "\" is not key=value");
                continue;
            }
            // A value may name the file's own folder as {dir} too.
            std::string v = pair.substr(eq + 1);
            for (size_t at = v.find("{dir}"); at != std::string::npos; at = v.find("{dir}", at + 1))
                v.replace(at, 5, values["dir"]);
            values[pair.substr(0, eq)] = v;
        }
        std::string out;
        if (!set.Has(tpath)) errors.push_back(t.Where(r) + ": no template " + tpath);
        else if (!FillTemplate(set.Text(tpath), values, &out, &error)) errors.push_back(t.Where(r) + ": " + tpath + ": " + error);
        else if (MayGenerate(set, path, t.path)) set.AddText(path, out);
    }
    for (const std::string& e : errors) std::fprintf(stderr, "datagen: %s\n", Cp1251ToUtf8(e.c_str()).c_str());
    return errors.empty();
}
