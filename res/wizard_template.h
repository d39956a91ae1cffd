/* The wizard dialog, template 101: identifiers, texts, styles and geometry
 * in one place.  res/updater.rc builds the template from these macros
 * (windres runs the C preprocessor and defines RC_INVOKED); the program
 * uses the identifiers and texts, and the Linux test world builds its
 * wizard from the control table below, so all three always agree.
 *
 * Texts are UTF-8 here.  The resource compiler turns them into the
 * template's UTF-16; in C++ they become Shift-JIS (-fexec-charset=CP932).
 * Numbers are written out instead of the Win32 style names so that the
 * resource script needs no system header. */
#ifndef RES_WIZARD_TEMPLATE_H
#define RES_WIZARD_TEMPLATE_H

#define WIZARD_TEMPLATE_ID 101
/* Japanese, default sublanguage: MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT). */
#define WIZARD_LANGUAGE 1041
#define WIZARD_LANG_PRIMARY 0x11
#define WIZARD_LANG_SUB 0x01

/* WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME
 * | DS_SETFONT | DS_CENTER. */
#define WIZARD_STYLE 0x90C808C0
#define WIZARD_EXSTYLE 0
#define WIZARD_HELP_ID 0
#define WIZARD_X 0
#define WIZARD_Y 0
#define WIZARD_WIDTH 247
#define WIZARD_HEIGHT 93
/* Replaced by the updater's caption when the dialog opens. */
#define WIZARD_TITLE "UPDATE"
#define WIZARD_FONT_NAME "ＭＳ Ｐゴシック"
#define WIZARD_FONT_POINTS 10
#define WIZARD_FONT_WEIGHT 0
#define WIZARD_FONT_ITALIC 0
#define WIZARD_FONT_CHARSET 0

/* Control identifiers.  Next is IDOK and Abort is IDCANCEL, so Enter acts
 * on the default button and Esc or the close button send Abort. */
#define WIZARD_NEXT_ID 1
#define WIZARD_ABORT_ID 2
#define WIZARD_BACK_ID 4
#define WIZARD_INFO_ID 1001

#define WIZARD_NEXT_TEXT "次へ"
#define WIZARD_ABORT_TEXT "中止"
#define WIZARD_BACK_TEXT "戻る"
#define WIZARD_INFO_TEXT "Info"
/* The label of Next once the update has completed. */
#define WIZARD_DONE_TEXT "完了"

/* WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON */
#define WIZARD_NEXT_STYLE 0x50010001
/* WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON */
#define WIZARD_BUTTON_STYLE 0x50010000
/* WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT */
#define WIZARD_INFO_STYLE 0x50020000

#define WIZARD_BUTTON_WIDTH 44
#define WIZARD_BUTTON_HEIGHT 14
#define WIZARD_BUTTON_Y 72
#define WIZARD_NEXT_X 143
#define WIZARD_ABORT_X 196
#define WIZARD_BACK_X 99
#define WIZARD_INFO_X 16
#define WIZARD_INFO_Y 16
#define WIZARD_INFO_WIDTH 214
#define WIZARD_INFO_HEIGHT 26

#define WIZARD_BUTTON_CLASS "button"
#define WIZARD_STATIC_CLASS "static"
/* The same classes as the predefined atoms a template stores for them
 * (windres would store a quoted class name as a string). */
#define WIZARD_BUTTON_ATOM 0x0080
#define WIZARD_STATIC_ATOM 0x0082

#ifndef RC_INVOKED
/* One control of the template; the table is in template (and tab) order.
 * Every control has help identifier 0 and extended style 0. */
struct WizardControlSpec {
    int id;
    const char *class_name;
    const char *text;
    unsigned int style;
    int x, y, width, height;
};

#define WIZARD_CONTROL_COUNT 4
static const struct WizardControlSpec WizardControls[WIZARD_CONTROL_COUNT] = {
    {WIZARD_NEXT_ID, WIZARD_BUTTON_CLASS, WIZARD_NEXT_TEXT, WIZARD_NEXT_STYLE,
     WIZARD_NEXT_X, WIZARD_BUTTON_Y, WIZARD_BUTTON_WIDTH, WIZARD_BUTTON_HEIGHT},
    {WIZARD_ABORT_ID, WIZARD_BUTTON_CLASS, WIZARD_ABORT_TEXT, WIZARD_BUTTON_STYLE,
     WIZARD_ABORT_X, WIZARD_BUTTON_Y, WIZARD_BUTTON_WIDTH, WIZARD_BUTTON_HEIGHT},
    {WIZARD_BACK_ID, WIZARD_BUTTON_CLASS, WIZARD_BACK_TEXT, WIZARD_BUTTON_STYLE,
     WIZARD_BACK_X, WIZARD_BUTTON_Y, WIZARD_BUTTON_WIDTH, WIZARD_BUTTON_HEIGHT},
    {WIZARD_INFO_ID, WIZARD_STATIC_CLASS, WIZARD_INFO_TEXT, WIZARD_INFO_STYLE,
     WIZARD_INFO_X, WIZARD_INFO_Y, WIZARD_INFO_WIDTH, WIZARD_INFO_HEIGHT},
};
#endif

#endif
