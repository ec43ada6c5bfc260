// Ships, weapons (with their bullets) and ship systems from one table each:
// data/Tables/ships.csv, weapons.csv and items.csv, filled into the templates of
// data/Tables/Templates/. Writes every Main.obj, Main_H.obj and Desc_RUS/ENG.pd of
// Data/Space/Ship, Data/Space/Item and Data/Space/Bullet that the tables name, and
// refuses a row whose values are off the game's scales (value_scales.h).
#include "../datagen.h"
#include "tables.h"
#include "../check/value_scales.h"

#include "platform/win/codepage.h"

#include <cstdio>
#include <set>

using namespace datagen;

namespace {

// A description-file line: the label in its 32-character column, then the value.
std::string Labelled(const std::string& label, const std::string& value)
{
    std::string l = label;
    l.resize(32, ' ');
    return l + value + "\n";
}

std::string FourDigits(long v)
{
    char b[16];
    std::snprintf(b, sizeof b, "%04ld", v);
    return b;
}

struct Builder {
    explicit Builder(DataSet& s) : set(s) {}
    DataSet& set;
    std::vector<std::string> errors;
    std::map<std::string, std::string> itemPaths;   // model name -> its Main.obj
    std::map<std::string, std::string> itemKinds;   // model name -> its type
    std::map<std::string, double> itemCapacity;

    void Error(const std::string& e) { errors.push_back(e); }

    // A number of the row held to a scale; false (with the error noted) when it is not.
    bool Number(const Table& t, size_t row, const std::string& column, const Range& r, double* v)
    {
        const std::string& text = t.Get(row, column);
        if (!ParseReal(text, v)) {
            Error(t.Where(row) + ": " + column + " \"" + text + "\" is not a number");
            return false;
        }
        const std::string off = OffScale(r, *v);
        if (!off.empty()) {
            Error(t.Where(row) + ": " + column + " " + off);
            return false;
        }
        return true;
    }
    bool Whole(const Table& t, size_t row, const std::string& column, long* v)
    {
        double d = 0;
        if (!Number(t, row, column, kFourDigits, &d)) return false;
        if (!ParseInt(t.Get(row, column), v)) {
            Error(t.Where(row) + ": " + column + " must be a whole number");
            return false;
        }
        return true;
    }

    void Write(const Table& t, size_t row, const std::string& templ, const std::map<std::string, std::string>& values,
               const std::string& path)
    {
        const std::string tpath = "Tables/Templates/" + templ + ".obj";
        if (!set.Has(tpath)) {
            Error(t.Where(row) + ": no template " + tpath);
            return;
        }
        std::string out, error;
        if (!FillTemplate(set.Text(tpath), values, &out, &error)) {
            Error(t.Where(row) + ": " + tpath + ": " + error);
            return;
        }
        if (written.count(path)) Error(t.Where(row) + ": " + path + " is written twice");
        written.insert(path);
        if (MayGenerate(set, path, t.path)) set.AddText(path, out);
    }
    void WriteText(const std::string& path, const std::string& text)
    {
        if (MayGenerate(set, path, "its table")) set.AddText(path, text + "\n");
    }
    std::set<std::string> written;

    void Items(const Table& t, bool weapons)
    {
        for (size_t r = 0; r < t.rows.size(); ++r) {
            std::map<std::string, std::string> v = RowValues(t, r);
            const std::string& folder = v["folder"];
            const std::string& type = v["type"];
            const std::string name = folder.substr(folder.rfind('/') + 1);
            const std::string path = "Data/Space/Item/" + folder + "/Main.obj";
            if (itemPaths.count(name)) Error(t.Where(r) + ": model " + name + " given twice");
            itemPaths[name] = path;
            itemKinds[name] = type;
            long ammo = 0;
            double reload = 0, capacity = 0, real = 0;
            if (!Whole(t, r, "ammo", &ammo)) continue;
            v["ammo4"] = FourDigits(ammo);
            for (const char* c : {"range", "shot_speed"}) Number(t, r, c, kFourDigits, &real);
            if (weapons) {
                v["capacity"] = "0";
                if (type == "GTYPE_LASER_WEAPON") Number(t, r, "reload", kLaserReload, &reload);
                else if (type == "GTYPE_ROCKT_WEAPON" || type == "GTYPE_MISSL_WEAPON") Number(t, r, "reload", kLauncherReload, &reload);
                else Error(t.Where(r) + ": type " + type + " is not a weapon's");
                const std::string bullet = "Data/Space/Bullet/" + v["bullet"] + "/Main.obj";
                v["bullet_count"] = "1";
                v["bullets"] = Labelled("Bullet", bullet);
                Bullet(t, r, v, bullet);
            } else {
                Number(t, r, "capacity", kFourDigits, &capacity);
                itemCapacity[name] = capacity;
                v["bullet_count"] = "0";
                v["bullets"] = "";
            }
            Write(t, r, "item", v, path);
            const std::string dir = "Data/Space/Item/" + folder + "/";
            WriteText(dir + "Desc_ENG.pd", v["desc_eng"]);
            WriteText(dir + "Desc_RUS.pd", v["desc_rus"]);
        }
    }

    void Bullet(const Table& t, size_t r, const std::map<std::string, std::string>& item, const std::string& path)
    {
        std::map<std::string, std::string> v = item;
        v["name"] = item.at("bullet");
        v["look"] = item.at("bullet_look");
        double damage = 0, speed = 0, maxSpeed = 0, inertia = 0, flight = 0;
        long maxWhole = 0;
        Number(t, r, "damage", kDamage, &damage);
        if (Whole(t, r, "max_speed", &maxWhole)) v["max_speed4"] = FourDigits(maxWhole);
        maxSpeed = (double)maxWhole;
        Number(t, r, "speed", kFourDigits, &speed);
        if (speed > maxSpeed) Error(t.Where(r) + ": bullet speed above its maximum");
        if (!Number(t, r, "inertia", kFourDigits, &inertia) || inertia <= 0) Error(t.Where(r) + ": turn inertia must be above 0");
        if (!Number(t, r, "flight", kFourDigits, &flight) || flight <= 0) Error(t.Where(r) + ": flight time must be above 0");
        // The lead point assumes the item's shot speed; a bolt of another speed misses.
        double shot = 0;
        if (item.at("type") == "GTYPE_LASER_WEAPON" && ParseReal(item.at("shot_speed"), &shot) && shot != maxSpeed)
            Error(t.Where(r) + ": a laser's shot speed must be its bolt's speed");
        // A weapon aims (or locks) at what lies within its range: the bullet has to reach it.
        double range = 0;
        if (ParseReal(item.at("range"), &range) && range > maxSpeed * flight)
            Error(t.Where(r) + ": range " + item.at("range") + " beyond what its bullet reaches (maximum speed x flight time)");
        Write(t, r, "bullet_" + item.at("bullet_template"), v, path);
    }

    void Ships(const Table& t)
    {
        for (size_t r = 0; r < t.rows.size(); ++r) {
            std::map<std::string, std::string> v = RowValues(t, r);
            double hull = 0, engine = 0, m = 0, rating = 0;
            long hullWhole = 0, engineWhole = 0;
            if (Number(t, r, "hull", kShipHull, &hull) && ParseInt(v["hull"], &hullWhole)) v["hull4"] = FourDigits(hullWhole);
            else v["hull4"] = "0000";
            if (Number(t, r, "engine", kShipEngine, &engine) && ParseInt(v["engine"], &engineWhole)) v["engine4"] = FourDigits(engineWhole);
            else v["engine4"] = "0000";
            Number(t, r, "manoeuvring", kShipManoeuvring, &m);
            Number(t, r, "rating", kFourDigits, &rating);
            std::string lines;
            int count = 0;
            for (const std::string& model : SplitList(v["items"])) {
                auto it = itemPaths.find(model);
                if (it == itemPaths.end()) {
                    Error(t.Where(r) + ": item " + model + " is in neither weapons.csv nor items.csv");
                    continue;
                }
                if (itemKinds[model] == "GTYPE_CARGOSYSTEM") {
                    const std::string off = OffScale(kCargo, itemCapacity[model]);
                    if (!off.empty()) Error(t.Where(r) + ": item " + model + " " + off);
                }
                lines += Labelled("Item", it->second);
                ++count;
            }
            if (count > 10) Error(t.Where(r) + ": more than 10 items");
            v["items"] = lines;
            v["item_count"] = std::to_string(count);
            v["type"] = "GTYPE_SP_NPCSHIP";
            const std::string dir = "Data/Space/Ship/" + v["folder"] + "/";
            Write(t, r, v["template"], v, dir + "Main.obj");
            if (v["human"] == "yes") {
                // The same ship flown by a player: loaded from "_H.obj" it counts as human-piloted.
                v["comment"] = v["name"] + ": flown by a player";
                v["type"] = "GTYPE_SP_HEROSHIP";
                Write(t, r, v["template"], v, dir + "Main_H.obj");
            } else if (v["human"] != "no") {
                Error(t.Where(r) + ": human must be yes or no");
            }
        }
    }
};

std::vector<std::string> Columns(const std::string& table)
{
    if (table == "Tables/weapons.csv")
        return {"folder", "name", "type", "sound", "range", "shot_speed", "reload", "ammo", "bullet", "bullet_template",
                "bullet_look", "damage", "max_speed", "speed", "inertia", "flight", "desc_eng", "desc_rus"};
    if (table == "Tables/items.csv")
        return {"folder", "name", "type", "sound", "range", "shot_speed", "capacity", "reload", "ammo", "desc_eng", "desc_rus"};
    return {"folder", "template", "human", "comment", "name", "hull", "rating", "engine", "manoeuvring", "items"};
}

} // namespace

DATAGEN_GENERATOR(00_object_tables)
{
    Table weapons, items, ships;
    std::string error;
    for (auto [path, table] : {std::pair{"Tables/weapons.csv", &weapons}, std::pair{"Tables/items.csv", &items},
                               std::pair{"Tables/ships.csv", &ships}}) {
        if (!ReadTable(set, path, table, &error) || !RequireColumns(*table, Columns(path), &error)) {
            std::fprintf(stderr, "datagen: %s\n", error.c_str());
            return false;
        }
    }
    Builder b(set);
    b.Items(weapons, true);
    b.Items(items, false);
    b.Ships(ships);
    for (const std::string& e : b.errors) std::fprintf(stderr, "datagen: %s\n", Cp1251ToUtf8(e.c_str()).c_str());
    return b.errors.empty();
}
