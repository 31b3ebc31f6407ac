"""Quorvel XML from Python: the automation objects of libquorvelxml.so, late-bound.

    import quorvel
    xml = quorvel.CreateObject("Quorvel.Xml")
    xml.LoadXml("<a><b>text</b></a>")
    print(xml.GetChildContent("b"))

Properties are attributes (get and set), methods are calls; strings are str (a null string
result is None), 1/0 results are int, dates are datetime.datetime, byte results are bytes, and
objects are returned as objects, released when collected. obj._oleobj_ is the raw IDispatch view
(GetIDsOfNames, Invoke). A failed call raises quorvel.com_error with the HRESULT."""
from ._com import ComPointer, DispatchPointer
from ._com import DISPATCH_METHOD, DISPATCH_PROPERTYGET, DISPATCH_PROPERTYPUT, LOCALE_USER_DEFAULT
from ._dispatch import CreateObject, Dispatch, DllCanUnloadNow, progid_map
from ._errors import com_error
from ._native import GUID

__all__ = ["CreateObject", "Dispatch", "DllCanUnloadNow", "progid_map", "com_error", "ComPointer",
           "DispatchPointer", "GUID", "DISPATCH_METHOD", "DISPATCH_PROPERTYGET", "DISPATCH_PROPERTYPUT",
           "LOCALE_USER_DEFAULT"]
