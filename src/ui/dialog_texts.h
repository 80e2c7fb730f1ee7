// Every text of the three dialogs in English and Japanese (UTF-8), and the template choice.
#pragma once

#include <cstdint>

namespace velkar {

// Dialog templates: the English one, and the Japanese one used when Language is 1.
enum : int32_t {
    DIALOG_ABOUT_EN = 102,
    DIALOG_NAME_ENTRY_EN = 103,
    DIALOG_DEVICE_CONFIG_EN = 109,
    DIALOG_DEVICE_CONFIG_JA = 111,
    DIALOG_ABOUT_JA = 112,
    DIALOG_NAME_ENTRY_JA = 113,
};

enum : int32_t {
    DIALOG_KIND_ABOUT = 0,
    DIALOG_KIND_NAME_ENTRY = 1,
    DIALOG_KIND_DEVICE_CONFIG = 2,
};

// 1 when dialogs use Japanese (Language is 1), 0 for English (any other value).
int32_t DialogLanguage();
// The template to open for a dialog kind under the current Language.
int32_t DialogTemplateId(int32_t kind);
// The kind of a template identifier, or -1; and its language (0 English, 1 Japanese).
int32_t DialogKindOf(int32_t templateId);
int32_t DialogLanguageOf(int32_t templateId);

// Device Configuration: the texts of template 109 ([0]) and 111 ([1]). buttonLabel follows
// the lists 1002, 1004, 1005, 1006, 1007.
struct DeviceConfigTexts {
    const char* caption;
    const char* inputGroup;
    const char* buttonLabel[5];
    const char* connectLabel;
    const char* soundGroup;
    const char* bgmNote;
    const char* effectNote;
    const char* displayGroup;
    const char* fullScreenGroup;
    const char* deviceLabel;
    const char* deviceNote;
    const char* resolutionLabel;
    const char* resolutionNote;
    const char* primSurfCheck;
    const char* bppLabel;
    const char* bppNote;
    const char* okButton;
    const char* cancelButton;
    const char* defaultButton;
};
extern const DeviceConfigTexts DEVICE_CONFIG_TEXTS[2];

// Name Entry: templates 103 ([0]) and 113 ([1]).
struct NameEntryTexts {
    const char* caption;
    const char* heading;
    const char* prompt;
    const char* okButton;
};
extern const NameEntryTexts NAME_ENTRY_TEXTS[2];

// About: templates 102 ([0]) and 112 ([1]). versionPlaceholder is the template's text of
// 1011, replaced by ABOUT_VERSION when the dialog opens.
struct AboutTexts {
    const char* caption;
    const char* title;
    const char* versionLabel;
    const char* versionPlaceholder;
    const char* systems;
    const char* okButton;
};
extern const AboutTexts ABOUT_TEXTS[2];

constexpr int32_t ABOUT_VERSION_ID = 1011;
extern const char* const ABOUT_VERSION;

} // namespace velkar
