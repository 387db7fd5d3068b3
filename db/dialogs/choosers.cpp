#include "db/dialogs/choosers.h"

#include "db/dialogs/chooser_list.h"
#include "db/dialogs/chooser_owner.h"
#include "db/dialogs/db_messages.h"
#include "db/dialogs/dialog_ids.h"
#include "db/dialogs/port_presets.h"
#include "db/equipment/items.h"
#include "db/equipment/tembri_db.h"

#include <cstdlib>
#include <memory>
#include <string>

namespace Quorvane {

namespace {

const LPCSTR kWaitCursor = MAKEINTRESOURCEA(32514);
// The longest preset chooser title.
constexpr size_t kTitleMax = 280;

// What a chooser does with its records; the dialog's handling of the list
// and the buttons is the same for presets and templates.
class NameChooser {
public:
    NameChooser(HINSTANCE resources, CTembriDB *db, int storeId, int deleteId, UINT replaceQuestion,
                UINT deleteQuestion)
        : resources(resources), db(db), storeId(storeId), deleteId(deleteId),
          replaceQuestion(replaceQuestion), deleteQuestion(deleteQuestion)
    {
    }
    virtual ~NameChooser() = default;

    // Sets the title and makes the item object (with the lock); 0 without it.
    virtual int Open(HWND dialog) = 0;
    // Releases the item object, and with it the lock.
    virtual void Close() = 0;
    virtual SDBNOTE *Next(SDBNOTE *prev, uint32_t &id, char *&name) = 0;
    virtual int Save(uint32_t replaced, const char *name) = 0;
    virtual int Delete(uint32_t id) = 0;
    // Whether the caller lets the choice go ahead (0: stay open silently).
    virtual int Allowed() { return 1; }
    // Recalls or loads; 0 on failure (the dialog closes all the same).
    virtual int Choose(uint32_t id) = 0;

    HINSTANCE resources;
    CTembriDB *db;
    int storeId, deleteId;
    UINT replaceQuestion, deleteQuestion;
    std::unique_ptr<ChooserList> list;
};

void Fill(NameChooser &c)
{
    c.list->Clear();
    uint32_t id;
    char *name;
    for (SDBNOTE *n = c.Next(nullptr, id, name); n; n = c.Next(n, id, name)) {
        c.list->Add(name, id);
        std::free(name);
    }
    c.list->UpdateButtons();
}

void Store(HWND dialog, NameChooser &c)
{
    const std::string text = c.list->Text();
    if (text.empty()) {
        ShowDBError(c.resources, dialog, IDS_DB_NO_DATA);
        return;
    }
    uint32_t replaced = kNoReplace;
    if (c.list->Named(replaced) && !AskDBQuestion(c.resources, dialog, c.replaceQuestion))
        return;
    if (!c.Save(replaced, text.c_str())) {
        ShowDBError(c.resources, dialog, IDS_DB_CANT_PERFORM);
        return;
    }
    Fill(c);
    c.list->SelectName(text);
    c.list->UpdateButtons();
}

void Remove(HWND dialog, NameChooser &c)
{
    uint32_t id;
    if (!c.list->Named(id)) {
        ShowDBError(c.resources, dialog, IDS_DB_NO_DATA);
        return;
    }
    if (!AskDBQuestion(c.resources, dialog, c.deleteQuestion))
        return;
    if (!c.Delete(id))
        ShowDBError(c.resources, dialog, IDS_DB_CANT_PERFORM);
    else
        Fill(c);
}

void Choose(HWND dialog, NameChooser &c)
{
    uint32_t id;
    if (!c.list->Named(id)) {
        ShowDBError(c.resources, dialog, IDS_DB_NO_DATA);
        return;
    }
    if (!c.Allowed())
        return;
    HCURSOR cursor = SetCursor(LoadCursorA(nullptr, kWaitCursor));
    c.list->ShowLoading();
    if (!c.Choose(id))
        ShowDBError(c.resources, dialog, IDS_DB_CANT_PERFORM);
    SetCursor(cursor);
    EndDialog(dialog, IDOK);
}

INT_PTR CALLBACK ChooserProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        auto &c = *reinterpret_cast<NameChooser *>(lParam);
        c.list = std::make_unique<ChooserList>(c.resources, dialog, c.storeId, c.deleteId);
        c.list->SetIcons();
        if (!c.Open(dialog)) {
            ShowDBError(c.resources, dialog, IDS_DB_ERROR);
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        Fill(c);
        return TRUE;
    }
    auto *c = reinterpret_cast<NameChooser *>(GetWindowLongPtrA(dialog, DWLP_USER));
    if (!c || !c->list)
        return FALSE;
    if (message == WM_COMMAND) {
        const int id = LOWORD(wParam), code = HIWORD(wParam);
        if (id == IDC_CHOOSER_NAMES) {
            if (code == CBN_SELCHANGE)
                c->list->EnableAll();
            else if (code == CBN_EDITCHANGE)
                c->list->UpdateButtons();
            else if (code == CBN_DBLCLK)
                Choose(dialog, *c);
            return TRUE;
        }
        if (id == IDOK)
            Choose(dialog, *c);
        else if (id == c->storeId)
            Store(dialog, *c);
        else if (id == c->deleteId)
            Remove(dialog, *c);
        else if (id == IDCANCEL)
            EndDialog(dialog, IDCANCEL);
        else
            return FALSE;
        return TRUE;
    }
    if (message == WM_DESTROY) {
        c->Close();
        c->list.reset();
    }
    return FALSE;
}

INT_PTR RunChooser(NameChooser &chooser, int dialogId, HWND parent)
{
    return DialogBoxParamA(chooser.resources, MAKEINTRESOURCEA(dialogId), ChooserOwner(parent), ChooserProc,
                           reinterpret_cast<LPARAM>(&chooser));
}

// ---- presets

class PresetChooser final : public NameChooser {
public:
    PresetChooser(HINSTANCE resources, CTembriDB *db)
        : NameChooser(resources, db, IDC_PRESET_STORE, IDC_PRESET_DELETE, IDS_DB_REPLACE_PRESET,
                      IDS_DB_DELETE_PRESET)
    {
    }
    int Open(HWND dialog) override
    {
        char parentTitle[kTitleMax + 1] = {};
        const bool named = itemName && *itemName;
        if (!named && parent)
            GetWindowTextA(parent, parentTitle, sizeof parentTitle);
        std::string title = std::string("Presets: ") + (named ? itemName : parentTitle);
        if (title.size() > kTitleMax)
            title.resize(kTitleMax);
        SetWindowTextA(dialog, title.c_str());
        presets = PresetsOfPort(db, portId, 1);
        return presets != nullptr;
    }
    void Close() override
    {
        if (presets)
            presets->Release();
        presets = nullptr;
    }
    SDBNOTE *Next(SDBNOTE *prev, uint32_t &id, char *&name) override
    {
        return presets->GetNext(prev, id, name);
    }
    int Save(uint32_t replaced, const char *name) override
    {
        return presets->Save(item, context, replaced, name);
    }
    int Delete(uint32_t id) override { return presets->Delete(id); }
    int Choose(uint32_t id) override { return presets->Recall(item, context, id); }

    uint32_t portId = 0;
    void *item = nullptr;
    void *context = nullptr;
    const char *itemName = nullptr;
    HWND parent = nullptr;
    ITembriPreset *presets = nullptr;
};

// ---- templates

class TemplateChooser final : public NameChooser {
public:
    TemplateChooser(HINSTANCE resources, CTembriDB *db)
        : NameChooser(resources, db, IDC_TEMPLATE_STORE, IDC_TEMPLATE_DELETE, IDS_DB_REPLACE_TEMPLATE,
                      IDS_DB_DELETE_TEMPLATE)
    {
    }
    ~TemplateChooser() override { std::free(data); }
    int Open(HWND dialog) override
    {
        static const char *const titles[] = {"New Song Templates", "SongTract Templates", "SysEx Templates"};
        switch (type) {
        case ITembriTemplate::TT_NEWSONG:
            templates = db->GetITembriTemplateNewSong(1);
            break;
        case ITembriTemplate::TT_SONGTRACT:
            templates = db->GetITembriTemplateSongTract(1);
            break;
        case ITembriTemplate::TT_SYSEX:
            templates = db->GetITembriTemplateSysEx(1);
            break;
        default:
            return 0;
        }
        SetWindowTextA(dialog, titles[type]);
        return templates != nullptr;
    }
    void Close() override
    {
        if (templates)
            templates->Release();
        templates = nullptr;
    }
    SDBNOTE *Next(SDBNOTE *prev, uint32_t &id, char *&name) override
    {
        return templates->GetNext(prev, id, name);
    }
    // The stored template gets the data block the dialog holds.
    int Save(uint32_t replaced, const char *name) override
    {
        uint32_t stored = kNoReplace;
        return templates->Save(song, replaced, name, &stored) &&
               (!data || templates->SetData(stored, data, size));
    }
    int Delete(uint32_t id) override { return templates->Delete(id); }
    int Allowed() override { return !callback || callback(argument); }
    // Loads the template and takes its data block in place of the one held.
    int Choose(uint32_t id) override
    {
        const int loaded = templates->Load(song, id);
        void *chosen = nullptr;
        uint32_t chosenSize = 0;
        if (!templates->GetData(id, &chosen, &chosenSize))
            chosen = nullptr, chosenSize = 0;
        std::free(data);
        data = chosen;
        size = chosenSize;
        return loaded;
    }

    uint32_t type = 0;
    CSong *song = nullptr;
    int (*callback)(uint32_t) = nullptr;
    uint32_t argument = 0;
    void *data = nullptr;
    uint32_t size = 0;
    ITembriTemplate *templates = nullptr;
};

} // namespace

INT_PTR RunPresetChooser(HINSTANCE resources, CTembriDB *db, uint32_t portId, void *item, void *context,
                         const char *itemName, HWND parent)
{
    if (!db)
        return IDCANCEL;
    PresetChooser chooser(resources, db);
    chooser.portId = portId;
    chooser.item = item;
    chooser.context = context;
    chooser.itemName = itemName;
    chooser.parent = parent;
    return RunChooser(chooser, IDD_DB_PRESETS, parent);
}

INT_PTR RunTemplateChooser(HINSTANCE resources, CTembriDB *db, uint32_t type, CSong *song,
                           int (*callback)(uint32_t), uint32_t argument, void **data, uint32_t *size)
{
    if (!db)
        return IDCANCEL;
    TemplateChooser chooser(resources, db);
    chooser.type = type;
    chooser.song = song;
    chooser.callback = callback;
    chooser.argument = argument;
    if (data && size) {
        chooser.data = *data;
        chooser.size = *data ? *size : 0;
    }
    const INT_PTR result = RunChooser(chooser, IDD_DB_TEMPLATES, nullptr);
    if (data && size) {
        *data = chooser.data;
        *size = chooser.size;
        chooser.data = nullptr;
    }
    return result;
}

} // namespace Quorvane
