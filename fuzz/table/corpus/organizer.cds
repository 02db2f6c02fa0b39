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
</FIELDS><PARAMS AUTOINCVALUE="6"/></METADATA><ROWDATA>
<ROW ID="1" RecordType=" A" Name="Holiday" Description="Summer" Path="" LinkName="Work" Priority="05 - Medium Priority" Type="Family" SearchWord="sea" Comments="Line&#13;&#10;two" LastUpdated="20261211123456"/>
<ROW ID="2" RecordType="DA" Name="a.jpg" Description="a.jpg Description" Path="/home/u/Bilder/Gr&#xFC;&#xDF;e/a.jpg" LinkName="Holiday" Priority="01 - Marked Delete" Type="Family" SearchWord="a.jpg" Comments="a.jpg Enter Comments Here" LastUpdated="12/11/2026 12:34:56"/>
<ROW ID="3" RecordType="DA" Name="O&apos;Brien &amp; &lt;b&gt;" Path="/p/b.jpg" LinkName="O&apos;Brien&apos;s album"/>
<ROW ID="5" RecordType=" M" Name="Rock"/>
</ROWDATA></DATAPACKET>
