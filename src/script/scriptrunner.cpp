#include "scriptrunner.h"

#include "scriptapi.h"

#include "document/project.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <lua.hpp>

#include <cstdlib>

namespace
{

// The hook runs every this many instructions; once a stop is due it runs
// after every instruction, so a script cannot outlast it by catching the
// error with pcall.
constexpr int HookInterval = 1000;

// What the allocator and the hook read, kept in the state's extra space.
struct RunState {
    const ScriptEnvironment *env = nullptr;
    const ScriptApi *api = nullptr;
    size_t used = 0;
    size_t limit = 0;
    qint64 instructions = 0;
    bool cancelled = false;
    bool exhausted = false;
    // While the state is set up outside any protected call, a refusal
    // would end the program rather than the script.
    bool preparing = true;
};

RunState &runState(lua_State *L)
{
    return **static_cast<RunState **>(lua_getextraspace(L));
}

void *allocate(void *ud, void *block, size_t oldSize, size_t newSize)
{
    auto *run = static_cast<RunState *>(ud);
    const size_t old = block ? oldSize : 0;
    if (newSize == 0) {
        std::free(block);
        run->used -= old;
        return nullptr;
    }
    // The limit holds between calls; a call finishes what it started.
    if (newSize > old && run->used + (newSize - old) > run->limit && !run->preparing &&
        !(run->api && run->api->isCalling()))
        return nullptr;
    void *grown = std::realloc(block, newSize);
    if (grown)
        run->used = run->used - old + newSize;
    return grown;
}

void hook(lua_State *L, lua_Debug *)
{
    RunState &run = runState(L);
    run.instructions += HookInterval;
    if (run.env->cancel && run.env->cancel->load(std::memory_order_relaxed))
        run.cancelled = true;
    if (run.env->instructionLimit > 0 && run.instructions > run.env->instructionLimit)
        run.exhausted = true;
    if (run.cancelled || run.exhausted) {
        lua_sethook(L, hook, LUA_MASKCOUNT, 1);
        luaL_error(L, run.cancelled ? "cancelled" : "the script ran too long");
    }
}

// load() of text only: a binary chunk could break the interpreter.
int textOnlyLoad(lua_State *L)
{
    const int n = lua_gettop(L);
    lua_pushvalue(L, lua_upvalueindex(1));
    lua_pushvalue(L, 1);
    if (n >= 2)
        lua_pushvalue(L, 2);
    else
        lua_pushnil(L);
    lua_pushliteral(L, "t");
    int args = 3;
    // An environment given, even nil, is passed on; none keeps the default.
    if (n >= 4) {
        lua_pushvalue(L, 4);
        args = 4;
    }
    lua_call(L, args, LUA_MULTRET);
    return lua_gettop(L) - n;
}

// Opens the base, string, table, math and utf8 libraries and takes away
// every way out of the sandbox.
void openSandbox(lua_State *L)
{
    const luaL_Reg libraries[] = {{LUA_GNAME, luaopen_base},
                                  {LUA_STRLIBNAME, luaopen_string},
                                  {LUA_TABLIBNAME, luaopen_table},
                                  {LUA_MATHLIBNAME, luaopen_math},
                                  {LUA_UTF8LIBNAME, luaopen_utf8}};
    for (const luaL_Reg &library : libraries) {
        luaL_requiref(L, library.name, library.func, 1);
        lua_pop(L, 1);
    }
    for (const char *name : {"dofile", "loadfile", "collectgarbage", "require"}) {
        lua_pushnil(L);
        lua_setglobal(L, name);
    }
    lua_getglobal(L, "string");
    lua_pushnil(L);
    lua_setfield(L, -2, "dump");
    lua_pop(L, 1);
    lua_getglobal(L, "load");
    lua_pushcclosure(L, textOnlyLoad, 1);
    lua_setglobal(L, "load");
    // The same stars every run unless the script seeds for itself.
    lua_getglobal(L, "math");
    lua_getfield(L, -1, "randomseed");
    lua_pushinteger(L, 0);
    lua_call(L, 1, 0);
    lua_pop(L, 1);
}

int errorLine(const QString &message, const QString &name)
{
    static const QRegularExpression pattern(QStringLiteral("^(.*?):(\\d+):"));
    const QRegularExpressionMatch match = pattern.match(message);
    if (!match.hasMatch() || match.captured(1) != name)
        return 0;
    return match.captured(2).toInt();
}

} // namespace

ScriptOutcome ScriptRunner::execute(const Project &project, const QByteArray &source,
                                    const ScriptEnvironment &environment)
{
    ScriptOutcome outcome;
    Project work = project;
    // Edits inside the run record into a history of their own, thrown away.
    work.history().clear();

    RunState run;
    run.env = &environment;
    run.limit = size_t(std::max<qsizetype>(environment.memoryLimit, 1 << 20));
    lua_State *L = lua_newstate(allocate, &run);
    if (!L) {
        outcome.status = ScriptOutcome::Status::Failed;
        outcome.message = QStringLiteral("not enough memory");
        return outcome;
    }
    *static_cast<RunState **>(lua_getextraspace(L)) = &run;
    ScriptApi api(work, environment);
    run.api = &api;

    const QString name = environment.name.isEmpty() ? QStringLiteral("script") : environment.name;
    const QByteArray chunkName = "=" + name.toUtf8();
    int status =
        luaL_loadbufferx(L, source.constData(), size_t(source.size()), chunkName.constData(), "t");
    if (status == LUA_OK) {
        openSandbox(L);
        api.install(L);
        lua_createtable(L, int(environment.args.size()), 1);
        lua_pushstring(L, name.toUtf8().constData());
        lua_rawseti(L, -2, 0);
        for (int i = 0; i < environment.args.size(); ++i) {
            lua_pushstring(L, environment.args.at(i).toUtf8().constData());
            lua_rawseti(L, -2, i + 1);
        }
        lua_setglobal(L, "arg");
        run.preparing = false;
        lua_sethook(L, hook, LUA_MASKCOUNT, HookInterval);
        status = lua_pcall(L, 0, 0, 0);
    }
    if (status != LUA_OK) {
        outcome.status =
            run.cancelled ? ScriptOutcome::Status::Cancelled : ScriptOutcome::Status::Failed;
        if (run.cancelled) {
            outcome.message = QStringLiteral("Cancelled.");
        } else if (run.exhausted) {
            outcome.message = name + QStringLiteral(": the script ran too long");
        } else if (status == LUA_ERRMEM) {
            outcome.message = name + QStringLiteral(": not enough memory");
        } else {
            size_t length = 0;
            const char *text = lua_tolstring(L, -1, &length);
            outcome.message = text ? QString::fromUtf8(text, qsizetype(length))
                                   : name + QStringLiteral(": error object is not a string");
            outcome.line = errorLine(outcome.message, name);
        }
    }
    outcome.refusedPixels = api.refusedPixels();
    lua_close(L);
    if (outcome.ok())
        outcome.node = differenceNode(project, work);
    return outcome;
}

HistoryNode ScriptRunner::differenceNode(const Project &before, const Project &after)
{
    HistoryNode node;
    node.kind = HistoryEntryKind::ConvertImage;
    if (before.colormap().size() != after.colormap().size())
        return node;
    const QRect changed = Colormap::difference(before.colormap(), after.colormap());
    if (!changed.isEmpty())
        node.changes.append(HistoryChange::region(changed, before.colormap().copy(changed),
                                                  after.colormap().copy(changed)));
    for (int s = 0; s < ColorSlotCount; ++s)
        if (before.slot(ColorSlot(s)) != after.slot(ColorSlot(s)))
            node.changes.append(HistoryChange::colorIndex(quint8(s), before.slot(ColorSlot(s)),
                                                          after.slot(ColorSlot(s))));
    const LayoutSpec &a = before.layoutSpec(), &b = after.layoutSpec();
    if (a.topAlignment != b.topAlignment)
        node.changes.append(
            HistoryChange::borderAlignment(0, quint8(a.topAlignment), quint8(b.topAlignment)));
    if (a.bottomAlignment != b.bottomAlignment)
        node.changes.append(HistoryChange::borderAlignment(1, quint8(a.bottomAlignment),
                                                           quint8(b.bottomAlignment)));
    return node;
}

QRect ScriptRunner::apply(Project &project, const ScriptOutcome &outcome)
{
    if (!outcome.ok() || outcome.node.changes.isEmpty())
        return QRect();
    HistoryNode node = outcome.node;
    QRect changed = History::applyNode(project, node, true);
    // Slot changes repaint the whole canvas.
    for (const HistoryChange &change : node.changes)
        if (change.type != HistoryChange::Type::RegionChange)
            changed = project.colormap().rect();
    project.history().push(node);
    return changed;
}

ScriptOutcome ScriptRunner::run(Project &project, const QByteArray &source,
                                const ScriptEnvironment &environment, QRect *changed)
{
    const ScriptOutcome outcome = execute(project, source, environment);
    const QRect rect = apply(project, outcome);
    if (changed)
        *changed = rect;
    return outcome;
}

QStringList ScriptRunner::bundledScripts()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(scripts);
        return true;
    }();
    Q_UNUSED(registered);
    QStringList paths;
    const QDir dir(QStringLiteral(":/scripts"));
    for (const QString &file : dir.entryList({QStringLiteral("*.lua")}, QDir::Files, QDir::Name))
        paths << dir.filePath(file);
    return paths;
}

QString ScriptRunner::scriptTitle(const QString &path, const QByteArray &source)
{
    static const QRegularExpression pattern(QStringLiteral("^--\\s*Title:\\s*(.+?)\\s*$"),
                                            QRegularExpression::MultilineOption);
    const QRegularExpressionMatch match = pattern.match(QString::fromUtf8(source.left(4096)));
    if (match.hasMatch())
        return match.captured(1);
    return QFileInfo(path).completeBaseName();
}

bool ScriptRunner::wantsPicture(const QByteArray &source)
{
    static const QRegularExpression pattern(QStringLiteral("^--\\s*Argument:\\s*picture\\b"),
                                            QRegularExpression::MultilineOption);
    return pattern.match(QString::fromUtf8(source.left(4096))).hasMatch();
}
