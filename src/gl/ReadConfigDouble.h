#pragma once
// Reals in the configuration store are written with "." whatever the user's locale; this reads
// them back under any locale.
class wxConfigBase;
class wxString;

// The value of `key`, or `defaultValue` when the key is missing or its text is not one number
// (blanks around it are allowed). Both "." and the locale's decimal separator are taken as the
// decimal point. A null configuration gives 0.0. With record-defaults on, a missing key is
// recorded as empty text, as the store's own reads do.
double ReadConfigDouble(wxConfigBase* config, const wxString& key, double defaultValue);

// Settings that a damaged or hand-edited store could make harmful (a grid of 2000 divisions hangs
// the first paint): the stored value clamped to [low, high]; NaN and infinities, like missing
// keys, give `current`.
double ReadConfigDoubleIn(wxConfigBase* config, const wxString& key, double current, double low, double high);
long ReadConfigLongIn(wxConfigBase* config, const wxString& key, long current, long low, long high);
