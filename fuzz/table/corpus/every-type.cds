<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<DATAPACKET Version="2.0"><METADATA><FIELDS>
<FIELD attrname="ID" fieldtype="i4" readonly="true" SUBTYPE="Autoinc"/>
<FIELD attrname="Text" fieldtype="string" WIDTH="200"/>
<FIELD attrname="Memo" fieldtype="bin.hex" SUBTYPE="Text"/>
<FIELD attrname="Small" fieldtype="i2"/>
<FIELD attrname="Int" fieldtype="i4"/>
<FIELD attrname="Large" fieldtype="i8"/>
<FIELD attrname="Flag" fieldtype="boolean"/>
</FIELDS><PARAMS AUTOINCVALUE="4"/></METADATA><ROWDATA>
<ROW ID="1" Text="&#x65E5;&#x672C; &#x1F600;" Memo="a&#9;b" Small="-32768" Int="2147483647" Large="-9223372036854775808" Flag="TRUE"/>
<ROW ID="2" Text="" Small="32767" Int="-2147483648" Large="9223372036854775807" Flag="FALSE"/>
<ROW ID="3"/>
</ROWDATA></DATAPACKET>
