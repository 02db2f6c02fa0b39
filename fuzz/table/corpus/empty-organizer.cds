<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<DATAPACKET Version="2.0"><METADATA><FIELDS>
<FIELD attrname="ID" fieldtype="i4" readonly="true" SUBTYPE="Autoinc"/>
<FIELD attrname="RecordType" fieldtype="string" WIDTH="2"/>
<FIELD attrname="Name" fieldtype="string" WIDTH="50"/>
<FIELD attrname="Description" fieldtype="string" WIDTH="150"/>
<FIELD attrname="Path" fieldtype="string" WIDTH="200"/>
<FIELD attrname="LinkName" fieldtype="string" WIDTH="50"/>
<FIELD attrname="Priority" fieldtype="string" WIDTH="25"/>
<FIELD attrname="Type" fieldtype="string" WIDTH="20"/>
<FIELD attrname="SearchWord" fieldtype="string" WIDTH="25"/>
<FIELD attrname="Comments" fieldtype="bin.hex" SUBTYPE="Text"/>
<FIELD attrname="LastUpdated" fieldtype="string" WIDTH="25"/>
</FIELDS><PARAMS AUTOINCVALUE="1"/></METADATA><ROWDATA>
</ROWDATA></DATAPACKET>
