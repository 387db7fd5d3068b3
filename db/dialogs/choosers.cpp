#include "db/dialogs/choosers.h"

#include "db/dialogs/chooser_list.h"
#include "db/dialogs/db_messages.h"
#include "db/dialogs/dialog_ids.h"
#include "db/dialogs/port_presets.h"
#include "db/equipment/equipment_records.h"
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

// ---- presets

struct PresetChooser {
    HINSTANCE resources = nullptr;
    CTembriDB *db = nullptr;
    uint32_t portId = 0;
    void *item = nullptr;
    void *context = nullptr;
    const char *itemName = nullptr;
    HWND parent = nullptr;
    ITembriPreset *presets = nullptr;
    std::unique_ptr<ChooserList> list;
    uint32_t selected = kNoReplace;

    void Fill()
    {
        list->Clear();
        uint32_t id;
        char *name;
        for (SDBNOTE *n = presets->GetNext(nullptr, id, name); n; n = presets->GetNext(n, id, name)) {
            list->Add(name, id);
            std::free(name);
        }
        list->Select(selected);
        list->UpdateButtons();
    }
};

void PresetStore(HWND dialog, PresetChooser &c)
{
    const std::string text = c.list->Text();
    if (text.empty()) {
        ShowDBError(c.resources, dialog, IDS_DB_NO_DATA);
        return;
    }
    uint32_t replaced = kNoReplace;
    if (c.list->Named(replaced) && !AskDBQuestion(c.resources, dialog, IDS_DB_REPLACE_PRESET))
        return;
    if (!c.presets->Save(c.item, c.context, replaced, text.c_str())) {
        ShowDBError(c.resources, dialog, IDS_DB_CANT_PERFORM);
        return;
    }
    c.Fill();
    c.list->SelectName(text);
    c.list->UpdateButtons();
}

void PresetDelete(HWND dialog, PresetChooser &c)
{
    uint32_t id;
    if (!c.list->Named(id)) {
        ShowDBError(c.resources, dialog, IDS_DB_NO_DATA);
        return;
    }
    if (!AskDBQuestion(c.resources, dialog, IDS_DB_DELETE_PRESET))
        return;
    if (!c.presets->Delete(id))
        ShowDBError(c.resources, dialog, IDS_DB_CANT_PERFORM);
    else
        c.Fill();
}

void PresetRecall(HWND dialog, PresetChooser &c)
{
    uint32_t id;
    if (!c.list->Named(id)) {
        ShowDBError(c.resources, dialog, IDS_DB_NO_DATA);
        return;
    }
    HCURSOR cursor = SetCursor(LoadCursorA(nullptr, kWaitCursor));
    c.list->ShowLoading();
    if (!c.presets->Recall(c.item, c.context, id))
        ShowDBError(c.resources, dialog, IDS_DB_CANT_PERFORM);
    SetCursor(cursor);
    EndDialog(dialog, IDOK);
}

INT_PTR CALLBACK PresetChooserProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        auto &c = *reinterpret_cast<PresetChooser *>(lParam);
        char parentTitle[kTitleMax + 1] = {};
        if ((!c.itemName || !*c.itemName) && c.parent)
            GetWindowTextA(c.parent, parentTitle, sizeof parentTitle);
        std::string title = std::string("Presets: ") + (c.itemName && *c.itemName ? c.itemName : parentTitle);
        if (title.size() > kTitleMax)
            title.resize(kTitleMax);
        SetWindowTextA(dialog, title.c_str());
        c.list = std::make_unique<ChooserList>(c.resources, dialog, IDC_PRESET_STORE, IDC_PRESET_DELETE);
        c.list->SetIcons();
        c.presets = PresetsOfPort(c.db, c.portId, 1);
        if (!c.presets) {
            ShowDBError(c.resources, dialog, IDS_DB_ERROR);
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        c.Fill();
        return TRUE;
    }
    auto *c = reinterpret_cast<PresetChooser *>(GetWindowLongPtrA(dialog, DWLP_USER));
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
                PresetRecall(dialog, *c);
            return TRUE;
        }
        if (id == IDOK && c->presets)
            PresetRecall(dialog, *c);
        else if (id == IDC_PRESET_STORE)
            PresetStore(dialog, *c);
        else if (id == IDC_PRESET_DELETE)
            PresetDelete(dialog, *c);
        else if (id == IDCANCEL)
            EndDialog(dialog, IDCANCEL);
        else
            return FALSE;
        return TRUE;
    }
    if (message == WM_DESTROY) {
        if (c->presets)
            c->presets->Release();
        c->presets = nullptr;
        c->list.reset();
    }
    return FALSE;
}

// ---- templates

struct TemplateChooser {
    HINSTANCE resources = nullptr;
    CTembriDB *db = nullptr;
    uint32_t type = 0;
    CSong *song = nullptr;
    int (*callback)(uint32_t) = nullptr;
    uint32_t argument = 0;
    void *data = nullptr;
    uint32_t size = 0;
    ITembriTemplate *templates = nullptr;
    std::unique_ptr<ChooserList> list;
    uint32_t selected = kNoReplace;

    void Fill()
    {
        list->Clear();
        uint32_t id;
        char *name;
        for (SDBNOTE *n = templates->GetNext(nullptr, id, name); n; n = templates->GetNext(n, id, name)) {
            list->Add(name, id);
            std::free(name);
        }
        list->Select(selected);
        list->UpdateButtons();
    }
};

void TemplateStore(HWND dialog, TemplateChooser &c)
{
    const std::string text = c.list->Text();
    if (text.empty()) {
        ShowDBError(c.resources, dialog, IDS_DB_NO_DATA);
        return;
    }
    uint32_t replaced = kNoReplace, stored = kNoReplace;
    if (c.list->Named(replaced) && !AskDBQuestion(c.resources, dialog, IDS_DB_REPLACE_TEMPLATE))
        return;
    if (!c.templates->Save(c.song, replaced, text.c_str(), &stored) ||
        (c.data && !c.templates->SetData(stored, c.data, c.size))) {
        ShowDBError(c.resources, dialog, IDS_DB_CANT_PERFORM);
        return;
    }
    c.selected = stored;
    c.Fill();
}

void TemplateDelete(HWND dialog, TemplateChooser &c)
{
    uint32_t id;
    if (!c.list->Named(id)) {
        ShowDBError(c.resources, dialog, IDS_DB_NO_DATA);
        return;
    }
    if (!AskDBQuestion(c.resources, dialog, IDS_DB_DELETE_TEMPLATE))
        return;
    if (!c.templates->Delete(id))
        ShowDBError(c.resources, dialog, IDS_DB_CANT_PERFORM);
    else
        c.Fill();
}

void TemplateLoad(HWND dialog, TemplateChooser &c)
{
    uint32_t id;
    if (!c.list->Named(id)) {
        ShowDBError(c.resources, dialog, IDS_DB_NO_DATA);
        return;
    }
    if (c.callback && !c.callback(c.argument))
        return;
    HCURSOR cursor = SetCursor(LoadCursorA(nullptr, kWaitCursor));
    c.list->ShowLoading();
    if (!c.templates->Load(c.song, id))
        ShowDBError(c.resources, dialog, IDS_DB_CANT_PERFORM);
    void *chosen = nullptr;
    uint32_t chosenSize = 0;
    if (!c.templates->GetData(id, &chosen, &chosenSize))
        chosen = nullptr, chosenSize = 0;
    std::free(c.data);
    c.data = chosen;
    c.size = chosenSize;
    SetCursor(cursor);
    EndDialog(dialog, IDOK);
}

ITembriTemplate *TemplatesOfType(CTembriDB *db, uint32_t type)
{
    switch (type) {
    case ITembriTemplate::TT_NEWSONG:
        return db->GetITembriTemplateNewSong(1);
    case ITembriTemplate::TT_SONGTRACT:
        return db->GetITembriTemplateSongTract(1);
    case ITembriTemplate::TT_SYSEX:
        return db->GetITembriTemplateSysEx(1);
    default:
        return nullptr;
    }
}

INT_PTR CALLBACK TemplateChooserProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        auto &c = *reinterpret_cast<TemplateChooser *>(lParam);
        c.list = std::make_unique<ChooserList>(c.resources, dialog, IDC_TEMPLATE_STORE, IDC_TEMPLATE_DELETE);
        c.list->SetIcons();
        static const char *const titles[] = {"New Song Templates", "SongTract Templates", "SysEx Templates"};
        if (c.type < 3)
            SetWindowTextA(dialog, titles[c.type]);
        c.templates = TemplatesOfType(c.db, c.type);
        if (!c.templates) {
            ShowDBError(c.resources, dialog, IDS_DB_ERROR);
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        c.Fill();
        return TRUE;
    }
    auto *c = reinterpret_cast<TemplateChooser *>(GetWindowLongPtrA(dialog, DWLP_USER));
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
                TemplateLoad(dialog, *c);
            return TRUE;
        }
        if (id == IDOK && c->templates)
            TemplateLoad(dialog, *c);
        else if (id == IDC_TEMPLATE_STORE)
            TemplateStore(dialog, *c);
        else if (id == IDC_TEMPLATE_DELETE)
            TemplateDelete(dialog, *c);
        else if (id == IDCANCEL)
            EndDialog(dialog, IDCANCEL);
        else
            return FALSE;
        return TRUE;
    }
    if (message == WM_DESTROY) {
        if (c->templates)
            c->templates->Release();
        c->templates = nullptr;
        c->list.reset();
    }
    return FALSE;
}

} // namespace

INT_PTR RunPresetChooser(HINSTANCE resources, CTembriDB *db, uint32_t portId, void *item, void *context,
                         const char *itemName, HWND parent)
{
    if (!db)
        return IDCANCEL;
    PresetChooser chooser;
    chooser.resources = resources;
    chooser.db = db;
    chooser.portId = portId;
    chooser.item = item;
    chooser.context = context;
    chooser.itemName = itemName;
    chooser.parent = parent;
    return DialogBoxParamA(resources, MAKEINTRESOURCEA(IDD_DB_PRESETS), nullptr, PresetChooserProc,
                           reinterpret_cast<LPARAM>(&chooser));
}

INT_PTR RunTemplateChooser(HINSTANCE resources, CTembriDB *db, uint32_t type, CSong *song,
                           int (*callback)(uint32_t), uint32_t argument, void **data, uint32_t *size)
{
    if (!db)
        return IDCANCEL;
    TemplateChooser chooser;
    chooser.resources = resources;
    chooser.db = db;
    chooser.type = type;
    chooser.song = song;
    chooser.callback = callback;
    chooser.argument = argument;
    if (data && size) {
        chooser.data = *data;
        chooser.size = *data ? *size : 0;
    }
    const INT_PTR result = DialogBoxParamA(resources, MAKEINTRESOURCEA(IDD_DB_TEMPLATES), nullptr,
                                           TemplateChooserProc, reinterpret_cast<LPARAM>(&chooser));
    if (data && size) {
        *data = chooser.data;
        *size = chooser.size;
    } else {
        std::free(chooser.data);
    }
    return result;
}

} // namespace Quorvane
