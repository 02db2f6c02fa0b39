<?xml v?>
<DATAPACKET Version="2.0"><METADATA><FIELDS>
<FIELD attrname="ID" fieldtype="i4" readonly="true" Se="string" WIDTH="150"/>
<FIELD attrname="Path" fieldtype="string" IIIIIIIIIIIIIIIIIIIIIIIIIIIIIIIIIIIIIIIIIIIIIIIIIIIIIIIIIIIIIIIIIIIIIIIIIIIIIIIIIIIIIIIIIIIWIDTH="200"/>
<FIELD attrname="LinkName" fieldtype="string" WIDTH="50"/>
<FIELD attrname="Priority" fieldtype="string" WIDTÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿH="25"/>
<FIELD attrname="Type" fieldtype="string" WIDÿÿÿÿÿÿTH="20"/>
<FIELD attrname="SearchWord" fieldtype="string" WIDTH="25"/>
<FIELD attrname="Comments" fieldtype="bin.hex" SUBTYPE="Text"/>
<FIELD attrname="LastUpdated" fieldtype="string" °IDTH="25"/>
</FIELDS><PARAMS AUTOINCVALUE="6"/></METADATA><ROWDATA>
pg" LinkName="O&apos;B%%%%%%%%%%%#%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%rien&apos;s album"/>
<ROW ID="0" RecordType=" M" Name="Rock"/>
ROWDATA></</ROWDATA></DATAPACKET>
