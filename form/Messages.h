#pragma once
// The program's own messages to the user.

constexpr const char kMsgOnRadioFB[] = "Fehler in der Methode OnRadioFB";
constexpr const char kMsgStudiengangMarkieren[] = "Bitte markieren Sie einen Eintrag in der Liste der Studiengänge";
constexpr const char kMsgOeffnenZumLesen[] = "Fehler beim Öffnen zum Lesen";
constexpr const char kMsgOeffnenZumSchreiben[] = "Fehler beim Öffnen zum Schreiben";
constexpr const char kMsgLesen[] = "Fehler beim Lesen";
constexpr const char kMsgSchreiben[] = "Fehler beim Schreiben";
// With a field's label in place of %s.
constexpr const char kMsgZeichenNichtSpeicherbar[] =
    "Das Feld „%s“ enthält Zeichen, die die Datei nicht speichern kann.";
