#pragma once

class TFormPaa;
class TFormUusi;
class TFormAnnos;
class TFormResepti;
class TFormPrintPrev;
class TFormAbout;

// Every long-lived window of the program, created in main() in this order.
// Windows reach one another through it.
struct Windows
{
    TFormPaa *FormPaa = nullptr;
    TFormUusi *FormUusi = nullptr;
    TFormAnnos *FormAnnos = nullptr;
    TFormResepti *FormResepti = nullptr;
    TFormPrintPrev *FormPrintPrev = nullptr;
    TFormAbout *FormAbout = nullptr;
};

// The program's one set of windows.
Windows &windows();
