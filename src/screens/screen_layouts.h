#pragma once

// Where the controls of the adult screens lie as designed, in twips (15 to a pixel
// at 96 DPI): from the top-left corner of the window, or of the group for a control inside a
// group. The screens are built from these places, and the tests that drive the running program
// from outside find a control here by its name. Captions that do not fit the installed font make
// some controls grow a little when the screen is built (ScreenParts::fitCaption).

struct DesignBox {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// The settings screen, "かぞえよう設定".
namespace SettingsLayout {
constexpr int kWidth = 6255;
constexpr int kHeight = 6570;
constexpr DesignBox outline{120, 120, 6015, 6375};
constexpr DesignBox title{2160, 240, 1935, 285};
constexpr DesignBox credit{3720, 6000, 1815, 255};
constexpr DesignBox cancelButton{3360, 5400, 975, 375};  // "キャンセル"
constexpr DesignBox applyButton{4800, 5400, 975, 375};   // "実行"

// "かぞえ方": one option button per counting way.
constexpr DesignBox countWayGroup{360, 600, 2655, 2295};
constexpr DesignBox countWayAnyOrder{240, 240, 1815, 255};
constexpr DesignBox countWayFromLeft{240, 600, 2295, 300};
constexpr DesignBox countWayFromLeftCorrected{240, 960, 2295, 375};
constexpr DesignBox countWayFromLeftBlinking{240, 1320, 2175, 495};
constexpr DesignBox countWayNoCounting{240, 1800, 2055, 375};

// "タッチの方法": the pointer touching a character counts it, or a click does.
constexpr DesignBox touchGroup{360, 3000, 2655, 975};
constexpr DesignBox touchByPointer{240, 240, 1815, 255};
constexpr DesignBox touchByClick{240, 600, 1935, 255};

// "キャラの種類": one picture for every character of a round, or different ones.
constexpr DesignBox characterKindGroup{360, 4080, 2655, 975};
constexpr DesignBox sameCharacters{240, 240, 1815, 255};
constexpr DesignBox variousCharacters{240, 600, 1935, 255};

// "発問の仕方": "いくつかな" or "なんにんかな".
constexpr DesignBox questionGroup{360, 5160, 2655, 975};
constexpr DesignBox askHowMany{240, 240, 2175, 255};
constexpr DesignBox askHowManyPeople{240, 600, 2175, 255};

// "マウスカーソル表示": the pointer shown or hidden on the game screen. These two buttons were
// drawn 180 twips high, less than a line of text.
constexpr DesignBox pointerGroup{3240, 600, 2655, 975};
constexpr DesignBox pointerShown{240, 240, 1815, 180};
constexpr DesignBox pointerHidden{240, 600, 1935, 180};

// "キャラ点滅時間": the bar, then "０．１×", the value and "秒" below it.
constexpr DesignBox blinkTimeGroup{3240, 1680, 2655, 1335};
constexpr DesignBox blinkTimeBar{480, 360, 1695, 255};
constexpr DesignBox blinkTimeFactor{480, 840, 615, 255};
constexpr DesignBox blinkTimeValue{1200, 840, 495, 255};
constexpr DesignBox blinkTimeUnit{1920, 840, 375, 255};

// "最小個数" and "最大個数": a bar and its value each.
constexpr DesignBox minimumCountGroup{3240, 3120, 2655, 855};
constexpr DesignBox maximumCountGroup{3240, 4080, 2655, 855};
constexpr DesignBox countBar{240, 360, 1575, 255};
constexpr DesignBox countValue{1920, 360, 495, 255};
// Below them, for a child on おまかせ: that the game chooses those three for them.
constexpr DesignBox omakaseLine{3240, 4950, 2655, 435};
}  // namespace SettingsLayout

// The character selection screen, "キャラ選択画面".
namespace SelectionLayout {
// The row of buttons for the adult's own pictures under the list made the window 480 twips
// (32 pixels at 96 DPI) taller than it was designed, and its outline with it; every other control
// keeps its place and size.
constexpr int kAddedRowHeight = 480;
constexpr int kWidth = 5325;
constexpr int kHeight = 5910 + kAddedRowHeight;
constexpr DesignBox outline{120, 120, 5055, 5655 + kAddedRowHeight};
constexpr DesignBox title{360, 600, 2055, 375};
constexpr DesignBox credit{480, 5160, 1815, 255};
constexpr DesignBox pictureList{2640, 480, 2295, 4920};
constexpr DesignBox selectAllButton{840, 1440, 1095, 375};      // "全選択"
constexpr DesignBox selectNoneButton{840, 2280, 1095, 375};     // "全解除"
constexpr DesignBox cancelButton{840, 3120, 1095, 375};         // "キャンセル"
constexpr DesignBox decideButton{840, 3960, 1095, 495};         // "決定"
constexpr DesignBox addPicturesButton{2640, 5520, 1335, 375};   // "画像を追加…"
constexpr DesignBox removePictureButton{4080, 5520, 855, 375};  // "削除…"
}  // namespace SelectionLayout

// The children screen, "こどもの登録".
namespace ChildrenLayout {
constexpr int kWidth = 9000;
constexpr int kHeight = 6900;
constexpr DesignBox outline{120, 120, 8760, 6660};
constexpr DesignBox title{360, 300, 3000, 375};
constexpr DesignBox childLabel{360, 840, 2700, 255};
constexpr DesignBox childList{360, 1140, 2700, 4200};
constexpr DesignBox nameLabel{3300, 840, 5340, 255};
constexpr DesignBox nameEdit{3300, 1140, 3000, 375};
constexpr DesignBox omakaseBox{6480, 1140, 2160, 375};  // "おまかせ" for the child chosen
constexpr DesignBox markLabel{3300, 1680, 5340, 255};
constexpr DesignBox markList{3300, 1980, 5340, 3360};
constexpr DesignBox messageLine{360, 5400, 8280, 420};    // two lines
constexpr DesignBox addButton{3300, 5880, 1095, 375};     // "追加"
constexpr DesignBox changeButton{4560, 5880, 1095, 375};  // "変更"
constexpr DesignBox removeButton{5820, 5880, 1095, 375};  // "削除"
constexpr DesignBox closeButton{7545, 5880, 1095, 375};   // "閉じる"
constexpr DesignBox credit{360, 6000, 2700, 255};
}  // namespace ChildrenLayout

// The voice screen, "こえ": the buttons down the left, the words on the right.
namespace VoiceLayout {
constexpr int kWidth = 6600;
constexpr int kHeight = 6240;
constexpr DesignBox outline{120, 120, 6360, 6000};
constexpr DesignBox title{360, 360, 2775, 375};
constexpr DesignBox listenNowButton{480, 1080, 2535, 375};   // "いまの声を聞く"
constexpr DesignBox recordButton{480, 1620, 2535, 375};      // "録音する"
constexpr DesignBox listenTakeButton{480, 2160, 2535, 375};  // "録音を聞く"
constexpr DesignBox keepButton{480, 2700, 2535, 375};        // "この声にする"
constexpr DesignBox builtInButton{480, 3240, 2535, 375};     // "元の声に戻す"
// The message line: tall enough for a problem with a folder's path.
constexpr DesignBox message{360, 3720, 2895, 1380};
constexpr DesignBox backButton{480, 5160, 2535, 375};  // "戻る"
constexpr DesignBox credit{480, 5700, 2535, 255};
constexpr DesignBox wordList{3480, 480, 2760, 5400};
}  // namespace VoiceLayout

// The record screen, "きろく": the numbers and days of the child chosen on the left, their
// mistakes on the right, the message line and the buttons below.
namespace RecordLayout {
constexpr int kWidth = 13500;
constexpr int kHeight = 9900;
constexpr DesignBox outline{30, 30, 13440, 9840};
constexpr DesignBox title{240, 150, 3000, 480};
constexpr DesignBox childLabel{3450, 240, 750, 330};
constexpr DesignBox childChoice{4200, 210, 3300, 390};
// Where the figures come from: this machine's rounds, or the class's and when they were fetched.
constexpr DesignBox whereFrom{7710, 90, 5550, 600};
constexpr DesignBox views{240, 750, 7800, 7200};  // the tiles and the chart
// For a child on おまかせ the chart is shorter, and the rounds the game chose come below it.
constexpr DesignBox viewsOverChosen{240, 750, 7800, 3600};
constexpr DesignBox chosen{240, 4500, 7800, 3450};
constexpr DesignBox mistakes{8250, 750, 5010, 7200};
constexpr DesignBox messageLine{240, 8100, 13020, 660};
constexpr DesignBox childCsvButton{240, 9000, 2100, 540};  // "CSV（この子）"
constexpr DesignBox allCsvButton{2460, 9000, 2100, 540};   // "CSV（全員）"
constexpr DesignBox pdfButton{4680, 9000, 2550, 540};      // "PDF（1人1ページ）"
constexpr DesignBox deleteButton{7950, 9000, 2850, 540};   // "この子の記録を削除"
constexpr DesignBox closeButton{11460, 9000, 1800, 540};   // "閉じる"
}  // namespace RecordLayout

// The class screen, "クラスの記録" (from the children screen).
namespace ClassLayout {
constexpr int kWidth = 7200;
constexpr int kHeight = 3960;
constexpr DesignBox outline{120, 120, 6960, 3720};
constexpr DesignBox title{360, 300, 3000, 375};
constexpr DesignBox explanation{360, 780, 6480, 540};  // two lines
constexpr DesignBox codeLabel{360, 1380, 6480, 255};
constexpr DesignBox codeEdit{360, 1680, 6480, 375};
constexpr DesignBox messageLine{360, 2160, 6480, 780};  // three lines
constexpr DesignBox joinButton{2220, 3180, 1095, 375};   // "参加"
constexpr DesignBox leaveButton{3480, 3180, 1095, 375};  // "ぬける"
constexpr DesignBox closeButton{5745, 3180, 1095, 375};  // "閉じる"
}  // namespace ClassLayout

// The children screen's way to the class screen, at the right of its title.
namespace ChildrenLayout {
constexpr DesignBox classButton{7545, 300, 1095, 375};  // "クラス"
}  // namespace ChildrenLayout
