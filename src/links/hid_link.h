#pragma once
// The third link: the first USB HID device of the family (vendor 0x0483,
// product 0x9912 or 0x3257); its USB serial number's first two characters,
// read as hexadecimal, are the instrument number.
//
// Public contract (the identification sequence and the window rely on it):
//   explicit HidLink(std::string libraryName = <platform default>);
//   void LoadHidLibrary();    // once, when the main window is built
//   void FreeHidLibrary();    // from FormDestroy; closes the kept device too
//   bool FindHidInstrument();
//   uint16_t HidInstrumentNumber() const;
//   static int HexDigitValue(uint8_t character);
