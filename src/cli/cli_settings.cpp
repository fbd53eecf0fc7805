// SPDX-License-Identifier: GPL-3.0-or-later
#include <memory>

#include "cli/cli.h"
#include "platform/hive_registry.h"
#include "shell/hive_format.h"
#include "shell/startup.h"

namespace vireo::cli {

namespace {

// "@" names a key's default value, as in the settings file.
std::string ValueName(const std::string& arg) {
    return arg == "@" ? std::string() : arg;
}

std::string KeyTitle(std::uint32_t root, const std::string& path) {
    std::string title(RegRootName(root));
    if (!path.empty())
        title += "\\" + path;
    return title;
}

void ListKey(Context& ctx, const Registry& reg, std::uint32_t root, const std::string& path,
             std::size_t depth) {
    ctx.out << '[' << KeyTitle(root, path) << "]\n";
    for (const auto& name : reg.ValueNames(root, path))
        ctx.out << FormatHiveValue(name, reg.QueryValue(root, path, name)) << '\n';
    ctx.out << '\n';
    if (depth >= kMaxRegDepth)
        return;
    for (const auto& sub : reg.SubKeys(root, path))
        ListKey(ctx, reg, root, path.empty() ? sub : path + "\\" + sub, depth + 1);
}

int Get(Context& ctx) {
    if (ctx.args.size() != 3) {
        ctx.err << "vireo-cli: settings get needs a key and a value name\n";
        return kExitUsage;
    }
    auto reg = OpenSettings(ctx.err);
    auto [root, path] = SplitRootedRegPath(ctx.args[1]);
    std::string name = ValueName(ctx.args[2]);
    RegValue v = reg->QueryValue(root, path, name);
    if (v.type != RegValue::Type::Text && v.type != RegValue::Type::Number) {
        ctx.err << "vireo-cli: there is no readable value \"" << ctx.args[2] << "\" in \""
                << KeyTitle(root, path) << "\"\n";
        return kExitProblem;
    }
    ctx.out << GetRegText(*reg, path, name, root) << '\n';
    return kExitOk;
}

int Set(Context& ctx) {
    if (ctx.args.size() != 4) {
        ctx.err << "vireo-cli: settings set needs a key, a value name and the text\n";
        return kExitUsage;
    }
    auto reg = OpenSettings(ctx.err);
    auto [root, path] = SplitRootedRegPath(ctx.args[1]);
    if (!reg->SetValue(root, path, ValueName(ctx.args[2]), RegValue::Text(ctx.args[3]))) {
        ctx.err << "vireo-cli: " << reg->LastError() << '\n';
        return kExitFailed;
    }
    return kExitOk;
}

int List(Context& ctx) {
    if (ctx.args.size() > 2) {
        ctx.err << "vireo-cli: settings list takes at most one key\n";
        return kExitUsage;
    }
    auto reg = OpenSettings(ctx.err);
    auto [root, path] = SplitRootedRegPath(ctx.args.size() == 2 ? ctx.args[1] : std::string(kSettingsKey));
    if (!SplitRegPath(path).empty() && !reg->KeyExists(root, path)) {
        ctx.err << "vireo-cli: there is no key \"" << KeyTitle(root, path) << "\"\n";
        return kExitProblem;
    }
    ListKey(ctx, *reg, root, path, 0);
    return kExitOk;
}

int Delete(Context& ctx) {
    if (ctx.args.size() != 2 && ctx.args.size() != 3) {
        ctx.err << "vireo-cli: settings delete needs a key (and optionally a value name)\n";
        return kExitUsage;
    }
    auto reg = OpenSettings(ctx.err);
    auto [root, path] = SplitRootedRegPath(ctx.args[1]);
    if (ctx.args.size() == 3) {
        if (!reg->DeleteValue(root, path, ValueName(ctx.args[2]))) {
            if (!reg->LastError().empty()) {
                ctx.err << "vireo-cli: " << reg->LastError() << '\n';
                return kExitFailed;
            }
            ctx.err << "vireo-cli: there is no value \"" << ctx.args[2] << "\" in \"" << KeyTitle(root, path)
                    << "\"\n";
            return kExitProblem;
        }
        return kExitOk;
    }
    if (SplitRegPath(path).empty()) {
        ctx.err << "vireo-cli: a whole root cannot be deleted\n";
        return kExitUsage;
    }
    if (DeleteRegKey(*reg, root, path) != kRegOk) {
        if (!reg->LastError().empty()) {
            ctx.err << "vireo-cli: " << reg->LastError() << '\n';
            return kExitFailed;
        }
        ctx.err << "vireo-cli: there is no key \"" << KeyTitle(root, path) << "\" in the settings file\n";
        return kExitProblem;
    }
    return kExitOk;
}

int Settings(Context& ctx) {
    const std::string sub = ctx.args.empty() ? std::string() : ctx.args[0];
    if (sub == "get")
        return Get(ctx);
    if (sub == "set")
        return Set(ctx);
    if (sub == "list")
        return List(ctx);
    if (sub == "delete")
        return Delete(ctx);
    ctx.err << "vireo-cli: settings needs get, set, list or delete (see vireo-cli --help)\n";
    return kExitUsage;
}

const Command kCommands[] = {
    {"settings", "get KEY VALUE | set KEY VALUE TEXT | list [KEY] | delete KEY [VALUE]",
     "Read or change the settings. KEY is below HKEY_CURRENT_USER (\"Software\\Orn\\Vireo!\\DB\") unless it "
     "starts with another root; VALUE \"@\" is the key's default value.",
     Settings},
};

} // namespace

std::span<const Command> SettingsCommands() {
    return kCommands;
}

} // namespace vireo::cli
