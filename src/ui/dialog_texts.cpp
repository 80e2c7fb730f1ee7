// Dialog texts in both languages and the choice of template by Language.
#include "ui/dialog_texts.h"

#include "base/settings_vars.h"
#include "velkar_version.h"

namespace velkar {

const char* const ABOUT_VERSION = VELKAR_VERSION;

int32_t DialogLanguage() {
    return Language == 1 ? 1 : 0;
}

int32_t DialogTemplateId(int32_t kind) {
    int32_t japanese = DialogLanguage();
    switch (kind) {
    case DIALOG_KIND_ABOUT:
        return japanese ? DIALOG_ABOUT_JA : DIALOG_ABOUT_EN;
    case DIALOG_KIND_NAME_ENTRY:
        return japanese ? DIALOG_NAME_ENTRY_JA : DIALOG_NAME_ENTRY_EN;
    case DIALOG_KIND_DEVICE_CONFIG:
        return japanese ? DIALOG_DEVICE_CONFIG_JA : DIALOG_DEVICE_CONFIG_EN;
    default:
        return -1;
    }
}

int32_t DialogKindOf(int32_t templateId) {
    switch (templateId) {
    case DIALOG_ABOUT_EN:
    case DIALOG_ABOUT_JA:
        return DIALOG_KIND_ABOUT;
    case DIALOG_NAME_ENTRY_EN:
    case DIALOG_NAME_ENTRY_JA:
        return DIALOG_KIND_NAME_ENTRY;
    case DIALOG_DEVICE_CONFIG_EN:
    case DIALOG_DEVICE_CONFIG_JA:
        return DIALOG_KIND_DEVICE_CONFIG;
    default:
        return -1;
    }
}

int32_t DialogLanguageOf(int32_t templateId) {
    return (templateId == DIALOG_ABOUT_JA || templateId == DIALOG_NAME_ENTRY_JA ||
            templateId == DIALOG_DEVICE_CONFIG_JA)
               ? 1
               : 0;
}

const DeviceConfigTexts DEVICE_CONFIG_TEXTS[2] = {
    {
        "Device Configuration",
        "Input Device Configuration",
        {"Button1(Shot)", "Button2(Laser/Slow)", "Button3(Bomb)", "Start Button", "Pause Button"},
        "Connect Status\n(Require the restart program for update)",
        "Sound Vol.",
        "BGM Def: 100",
        "Effect Def 100",
        "Display Configuration",
        "Full Screen",
        "Device :",
        "(Def:Default)",
        "Resolution :",
        "(Def:Auto)",
        "Use Normal GetDC without PrimSurf",
        "BPP:",
        "(Def:16)",
        "OK",
        "CANCEL",
        "DEFAULT",
    },
    {
        "ﾃﾞﾊﾞｲｽ設定",
        "入力ﾃﾞﾊﾞｲｽ・ｺﾝﾌｨｸﾞﾚｰｼｮﾝ",
        {"ﾎﾞﾀﾝ1(ｼｮｯﾄ)", "ﾎﾞﾀﾝ2(ﾚｰｻﾞｰ/ｽﾛｰ)", "ﾎﾞﾀﾝ3(ﾎﾞﾑ)", "ｽﾀｰﾄﾎﾞﾀﾝ", "一時停止ﾎﾞﾀﾝ"},
        "今の接続状態\n(更新には要再起動)",
        "音量",
        "BGM 初値:100",
        "効果 初値:100",
        "ﾃﾞｨｽﾌﾟﾚｲ・ｺﾝﾌｨｸﾞﾚｰｼｮﾝ",
        "全画面",
        "ﾃﾞﾊﾞｲｽ :",
        "(初値:Default)",
        "解像度 :",
        "(初期値:Auto)",
        "PrimSurfではなく通常のGetDCを行う",
        "BPP:",
        "(初期値:16)",
        "OK",
        "ｷｬﾝｾﾙ",
        "ﾃﾞﾌｫﾙﾄ",
    },
};

const NameEntryTexts NAME_ENTRY_TEXTS[2] = {
    {"Name Entry", "CONGRASTULATIONS TOP 10 !!",
     "Please enter your name (up to 9 characters, English letters only)", "OK"},
    {"Name Entry", "CONGRASTULATIONS TOP 10 !!", "名前を入力してください (9文字以内、英語のみ)",
     "OK"},
};

const AboutTexts ABOUT_TEXTS[2] = {
    {"About", "VELKAR", "Version", "0.00", "for Windows 10/8.1/8/7/Vista/XP/2000 or higher", "OK"},
    {"バージョン情報", "VELKAR", "Version", "0.00",
     "for Windows 10/8.1/8/7/Vista/XP/2000かそれ以降", "OK"},
};

} // namespace velkar
